program Shop;

{$mode delphi}{$H+}

{ A small shop that prints what it does. The round trip test compiles it as it
  is, processes it with polyverb and compiles it again: the output must not
  change. }

uses
  SysUtils, vLangRT, ShopUnit;

const
  SVersion = 'Shop 1.0'; // a declaration: stays a literal

var
  Basket: TBasket;
  I: Integer;
begin
  Writeln(SVersion);
  Basket := TBasket.Create;
  try
    Basket.Add('Apples', 3);
    Basket.Add('Pears', 0);
    Basket.Add('Grüße aus Köln', 2);
    Basket.Print;
    for I := 0 to 3 do
      case I of
        0: Writeln('Zero items' + ' ' + 'found');
        1:
          begin
            Writeln('One item', ' / ', 'Two items'); // two literals on one line
            if I > 0 then
            begin
              Writeln('Nested ' + 'begin');
            end;
          end;
      else
        Writeln(IntToStr(I) + ': ' +
'A literal starting a line');
      end;
    Writeln('Line one'#13#10'Line two');
    Writeln(^I'Tabbed'^I'again'^M^J'next line');
    Writeln(#$3E'Hex code');
    Writeln('Don''t panic, it''s "fine"');
    (* Writeln('Star comment'); *)
    { Writeln('Brace comment'); }
    // Writeln('Line comment');
    { braces { do not nest } Writeln('After a brace comment');
    Writeln('Braces { inside } a literal');
  finally
    Basket.Free;
  end;
end.
