unit ShopText;

{ Texts of the shop that belong to no form. }

{$mode objfpc}{$H+}

interface

function BasketMessage(Count: Integer): string;
procedure PrintGoodbye;

implementation

uses
  SysUtils;

function BasketMessage(Count: Integer): string;
begin
  if Count = 0 then
    Result := 'Your basket is empty'
  else
    Result := Format('Your basket holds %d items', [Count]);
end;

procedure PrintGoodbye;
begin
  WriteLn('Thank you for shopping with us');
end;

end.
