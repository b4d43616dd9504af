unit Prices;

{$IFDEF FPC}{$mode delphi}{$ENDIF}

{ Prices and how they are shown. Plain Pascal with no forms, so the console
  program PriceList uses it too. It uses the run-time unit vMLang, which
  provides GetLangStr once its literals are replaced. }

interface

uses
  vMLang;

function FormatPrice(Cents: Integer): string;
function DescribeItem(const Name: string; Cents: Integer): string;

implementation

uses
  SysUtils;

function FormatPrice(Cents: Integer): string;
begin
  if Cents = 0 then
    Result := 'free'
  else
    Result := IntToStr(Cents div 100) + '.' + Format('%.2d', [Cents mod 100]) + ' EUR';
end;

function DescribeItem(const Name: string; Cents: Integer): string;
begin
  case Cents of
    0: Result := Name + ' costs nothing';
  else
    Result := Name + ' costs ' + FormatPrice(Cents);
  end;
end;

end.
