program lngwrite;

{ Writes a language file with property groups from a text description, for
  hand-made test projects (the Lazarus example's english.lng). One entry per
  line, fields separated by a tab; empty lines and lines starting with #
  are skipped:
    s NUMBER TEXT     a string (TEXT escapes: \\ \t \r \n)
    g NAME            starts a property group
    i PATH NUMBER     an item of the latest group
  Usage: lngwrite LIST OUT.lng. Exits 1 with a message naming the line on a
  malformed entry; nothing is written then. }

{$MODE OBJFPC}{$H+}

uses
  SysUtils, Classes, lngbuild;

function Unescape(const S: string): string;
var
  I: Integer;
begin
  Result := '';
  I := 1;
  while I <= Length(S) do
  begin
    if (S[I] = '\') and (I < Length(S)) then
    begin
      Inc(I);
      case S[I] of
        't': Result := Result + #9;
        'r': Result := Result + #13;
        'n': Result := Result + #10;
      else
        Result := Result + S[I];
      end;
    end
    else
      Result := Result + S[I];
    Inc(I);
  end;
end;

{ Splits Line at tabs into Fields (quotes are not special). }
procedure SplitTabs(const Line: string; Fields: TStrings);
var
  Rest: string;
  P: Integer;
begin
  Fields.Clear;
  Rest := Line;
  P := Pos(#9, Rest);
  while P > 0 do
  begin
    Fields.Add(Copy(Rest, 1, P - 1));
    Rest := Copy(Rest, P + 1, MaxInt);
    P := Pos(#9, Rest);
  end;
  Fields.Add(Rest);
end;

procedure Fail(const Msg: string);
begin
  WriteLn(StdErr, 'lngwrite: ', Msg);
  Halt(1);
end;

var
  Lines, Fields: TStringList;
  B: TLngBuilder;
  I, N: Integer;
  Where: string;
  HasGroup: Boolean;
begin
  if ParamCount <> 2 then
  begin
    WriteLn(StdErr, 'usage: lngwrite LIST OUT.lng');
    Halt(2);
  end;
  Lines := TStringList.Create;
  Fields := TStringList.Create;
  B := TLngBuilder.Create('2.00');
  try
    try
      Lines.LoadFromFile(ParamStr(1));
    except
      on E: Exception do
        Fail(ParamStr(1) + ': ' + E.Message);
    end;
    HasGroup := False;
    for I := 0 to Lines.Count - 1 do
    begin
      Where := ParamStr(1) + ':' + IntToStr(I + 1) + ': ';
      if (Lines[I] = '') or (Lines[I][1] = '#') then
        Continue;
      SplitTabs(Lines[I], Fields);
      if (Fields[0] = 's') and (Fields.Count = 3) and TryStrToInt(Fields[1], N) and
        (N >= 0) and (N <= 65535) then
        B.AddText(N, 0, Unescape(Fields[2]))
      else if (Fields[0] = 'g') and (Fields.Count = 2) then
      begin
        B.AddGroup(Fields[1]);
        HasGroup := True;
      end
      else if (Fields[0] = 'i') and (Fields.Count = 3) and HasGroup and
        TryStrToInt(Fields[2], N) and (N >= 0) and (N <= 65535) then
        B.AddItem(Fields[1], N)
      else
        Fail(Where + 'want s<TAB>NUMBER<TAB>TEXT, g<TAB>NAME or i<TAB>PATH<TAB>NUMBER (after a g), NUMBER 0 to 65535');
    end;
    WriteBytes(ParamStr(2), B.Bytes);
  finally
    B.Free;
    Fields.Free;
    Lines.Free;
  end;
end.
