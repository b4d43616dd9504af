program Repros;

{$mode objfpc}{$H+}

{ One program with every construct that used to be converted into code that
  does not compile, or to be skipped: it must convert, compile and print the
  same. It uses no run-time unit: the conversion adds vLangRT. }

type
  TPair = record
    X, Y: Integer;
  end;

const
  CTitle = 'Title';

{ Stands in for the Windows routine: it takes PChar. }
function MessageBox(Wnd: LongInt; Text, Caption: PChar; Flags: LongInt): LongInt;
begin
  WriteLn(Caption, ': ', Text);
  Result := Wnd + Flags;
end;

procedure Show(const S: string = 'Default');
begin
  WriteLn(S);
end;

procedure Keys(Key: Char; const Answer: string);
begin
  case Key of
    'q', 'Q': WriteLn('Quit');
    'a'..'p': WriteLn('Early letter');
  else
    WriteLn('Other key');
  end;
  case Answer of
    'yes': WriteLn('Agreed');
    'no': WriteLn('Refused');
  end;
  if Key in ['A'..'Z', 'x'] then
    WriteLn('Upper case or x');
  WriteLn('Code of a: ', Ord('a'));
end;

var
  S: string;
  P: TPair;
begin
  P.X := 1;
  S := '';
  {$IFDEF NEVER} if S = 'never' then begin {$ELSE} if S = '' then begin {$ENDIF}
    S := 'Hello';
    S[1] := 'J';
    WriteLn(S, P.X);
  end;
  asm
    nop
  end;
  WriteLn('After the assembler block');
  Keys('q', 'yes');
  Keys('b', 'no');
  Keys('X', 'maybe');
  Show;
  WriteLn(CTitle);
  MessageBox(0, 'You won!', 'Information', 0);
  MessageBox(0, 'Line one'#10'Line two', 'Two lines', 0);
  {$I repros.inc}
end.
