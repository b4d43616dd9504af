unit PolyverbReg;

{ Registration of the design-time package: TvMLang on the component
  palette. The component itself lives in the run-time package. }

{$MODE OBJFPC}{$H+}

interface

procedure Register;

implementation

uses
  Classes, vMLang;

procedure Register;
begin
  RegisterComponents('Polyverb', [TvMLang]);
end;

end.
