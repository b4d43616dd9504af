program modeprog;

{ A program using the run-time units in whatever mode the command line (-M)
  chooses, or, with -dOWN_MODE_OBJFPC, in mode objfpc set by its own
  directive. The units set their mode themselves, so this compiles in every
  mode that has units. Written in the subset every mode shares (no classes,
  no Result, short string literals); exits 1 when a call misbehaves. }

{$IFDEF OWN_MODE_OBJFPC}
  {$MODE OBJFPC}
{$ENDIF}

uses
  vLangRT, vMLang;

var
  Failures: Integer;

procedure Check(Cond: Boolean; What: string);
begin
  if not Cond then
  begin
    WriteLn('FAIL ', What);
    Failures := Failures + 1;
  end;
end;

begin
  Failures := 0;
  UnloadLanguage;
  Check(vLangRT.GetLangStr(1) = '', 'GetLangStr with no language');
  Check(vMLang.GetLangStr(1) = '', 'vMLang.GetLangStr with no language');
  Check(not LoadLanguage('/nonexistent-dir/x'), 'LoadLanguage of a missing file');
  Check(LangLastError = 'Cannot open file /nonexistent-dir/x.lng', 'LangLastError');
  Check(MakeLangFileNameIn('English', '/w', False) = '/w/english.lng', 'name rule');
  Check(LangGroupCount = 0, 'no groups');
  if Failures > 0 then
    Halt(1);
  WriteLn('modeprog: ok');
end.
