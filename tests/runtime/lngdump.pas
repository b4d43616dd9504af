program lngdump;

{ Prints the string table of a language file as the run-time units read it,
  one line per entry in file order: NUMBER<TAB>TAG<TAB>TEXT<LF>, TEXT
  escaped (\\ \t \r \n, other bytes below $20 and $7F as \xHH). Exits 0 on
  success; on a load failure prints the message to stderr and exits 1.
  Usage: lngdump FILE }

{$H+}

uses
  SysUtils, vLangRT;

const
  HexDigits = '0123456789abcdef';

function Escape(const S: string): string;
var
  I, J, B: Integer;
begin
  { Each byte gives at most 4; filled in place, so long texts stay linear. }
  SetLength(Result, 4 * Length(S));
  J := 0;
  for I := 1 to Length(S) do
  begin
    B := Ord(S[I]);
    case B of
      Ord('\'), 9, 10, 13:
        begin
          Result[J + 1] := '\';
          case B of
            9: Result[J + 2] := 't';
            10: Result[J + 2] := 'n';
            13: Result[J + 2] := 'r';
          else
            Result[J + 2] := '\';
          end;
          Inc(J, 2);
        end;
      0..8, 11, 12, 14..31, 127:
        begin
          Result[J + 1] := '\';
          Result[J + 2] := 'x';
          Result[J + 3] := HexDigits[B div 16 + 1];
          Result[J + 4] := HexDigits[B mod 16 + 1];
          Inc(J, 4);
        end;
    else
      Result[J + 1] := S[I];
      Inc(J);
    end;
  end;
  SetLength(Result, J);
end;

var
  I: Integer;
begin
  if ParamCount <> 1 then
  begin
    WriteLn(StdErr, 'usage: lngdump FILE');
    Halt(2);
  end;
  if not LoadLanguageFile(ParamStr(1)) then
  begin
    WriteLn(StdErr, LangLastError);
    Halt(1);
  end;
  for I := 0 to LangEntryCount - 1 do
    Write(IntToStr(LangEntryNumber(I)), #9, IntToStr(LangEntryTag(I)), #9,
      Escape(LangEntryText(I)), #10);
end.
