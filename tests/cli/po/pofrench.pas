program pofrench;
{ Reads french.lng, which polyverb lng import made from english.lng and fr.po, through
  the run-time units: first with the component, then with the loading procedure. }
uses
  Classes, vMLang;

var
  Lang: TvMLang;
  N: Integer;
begin
  Lang := TvMLang.Create(nil);
  try
    Lang.LangFileName := 'French';
    if LangLastError <> '' then
    begin
      WriteLn('load failed: ', LangLastError);
      Halt(1);
    end;
    for N := 1 to 5 do
      WriteLn(N, '=', GetLangStr(N));
  finally
    Lang.Free;
  end;
  if not LoadLanguage('English') then
  begin
    WriteLn('load failed: ', LangLastError);
    Halt(1);
  end;
  WriteLn('1=', GetLangStr(1));
end.
