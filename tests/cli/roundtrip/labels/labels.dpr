program Labels;

{$mode delphi}{$H+}

{ Literals that cannot become a call: case labels and Char values. The round
  trip test marks the others only, by their candidate numbers. }

uses
  vLangRT;

var
  C: Char;
  N: Integer;
begin
  C := 'Y';
  case C of
    'Y': Writeln('The letter Y');
    'N': Writeln('The letter N');
  else
    Writeln('Another letter');
  end;
  if C in ['A'..'Z'] then
    Writeln('An upper-case letter');
  N := Ord('Z') - Ord(C);
  Writeln('Distance to Z: ', N);
end.
