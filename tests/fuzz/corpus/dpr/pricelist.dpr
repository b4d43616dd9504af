program PriceList;

{ A console program that prints a small price list through the Prices unit. }

{$IFDEF FPC}{$mode delphi}{$ENDIF}

uses
  vMLang, Prices;

begin
  WriteLn('Price list');
  WriteLn(DescribeItem('Bread', 249));
  WriteLn(DescribeItem('Milk', 99));
  WriteLn(DescribeItem('A smile', 0));
end.
