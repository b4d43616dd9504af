program vlangtest;

{ Tests of the run-time units vLangRT and vMLang. Language files are built
  byte by byte (lngbuild). Compile with range, overflow and heap checks
  (-Cr -Co -dVLANG_HEAPCHECK, which links heaptrc) so that any read outside the data or a
  leak fails the run.

  Usage: vlangtest PHASE, PHASE one of
    all      the reader, lookup, name rule and component (run with
             POLYVERB_LANG unset)
    none     no POLYVERB_LANG, no english.lng: GetLangStr gives ''
    cwd      default: english.lng in the current directory
    exe      default: english.lng next to the executable
    env      POLYVERB_LANG=autolang: the first GetLangStr loads it
    stream   a streamed TvMLang chooses the language (POLYVERB_LANG unset)
    envstream  POLYVERB_LANG=autolang wins over a streamed TvMLang
  Every phase but 'all' needs a fresh process: the default applies once.
  Prints FAIL lines and exits 1 when a check fails. }

{$H+}

uses
{$IFDEF VLANG_HEAPCHECK}
  heaptrc,
{$ENDIF}
  SysUtils, Classes, vLangRT, vMLang, lngbuild;

var
  Checks, Failures: Integer;
  Group: string;

procedure Check(Cond: Boolean; const What: string);
begin
  Inc(Checks);
  if not Cond then
  begin
    Inc(Failures);
    WriteLn('FAIL [', Group, '] ', What);
  end;
end;

{ Shows control bytes, so a failure message stays readable. }
function Show(const S: string): string;
var
  I: Integer;
begin
  Result := '';
  for I := 1 to Length(S) do
    if (S[I] < ' ') or (S[I] >= #$7F) then
      Result := Result + '#$' + IntToHex(Ord(S[I]), 2)
    else
      Result := Result + S[I];
  Result := '''' + Result + '''';
end;

procedure CheckStr(const Got, Want, What: string);
begin
  Check(Got = Want, What + ': got ' + Show(Got) + ', want ' + Show(Want));
end;

procedure CheckInt(Got, Want: Integer; const What: string);
begin
  Check(Got = Want, What + ': got ' + IntToStr(Got) + ', want ' + IntToStr(Want));
end;

procedure CheckFails(const Data, What: string);
begin
  Check(not LoadLanguageData(Data, 'mem'), What + ': load must fail');
  Check(LangLastError <> '', What + ': error message must be set');
  CheckInt(LangEntryCount, 0, What + ': table must be empty');
  CheckStr(GetLangStr(1), '', What + ': GetLangStr after failure');
end;

function ContainsText(const S, Part: string): Boolean;
begin
  Result := Pos(Part, S) > 0;
end;

function Cwd: string;
begin
  Result := GetCurrentDir;
end;

{ A small file with every section in use and texts 1..3 (2 is empty). }
function RichFile(const Version: string): string;
var
  B: TLngBuilder;
begin
  B := TLngBuilder.Create(Version);
  try
    B.HeaderFill := True;
    B.FontCount := 2;
    B.TextCount := 3;
    SetLength(B.GroupItems, 3);
    B.GroupItems[0] := 2;
    B.GroupItems[1] := 0;
    B.GroupItems[2] := 1;
    B.AddText(3, 7, 'Three');
    B.AddText(1, $FFFF, 'One');
    B.AddText(2, 0, '');
    Result := B.Bytes;
  finally
    B.Free;
  end;
end;

function OneText(const Version: string; Number: Integer; const Text: string): string;
var
  B: TLngBuilder;
begin
  B := TLngBuilder.Create(Version);
  try
    B.AddText(Number, 0, Text);
    Result := B.Bytes;
  finally
    B.Free;
  end;
end;

procedure TestVersions;
const
  Versions: array[0..2] of string = ('2.00', '1.50', '3.00');
var
  V: Integer;
  B: TLngBuilder;
  Data: string;
begin
  for V := 0 to High(Versions) do
  begin
    Group := 'version ' + Versions[V];
    Check(LoadLanguageData(RichFile(Versions[V]), 'mem'), 'load: ' + LangLastError);
    CheckStr(LangLastError, '', 'no error after success');
    CheckInt(LangEntryCount, 3, 'entry count');
    { file order is kept, numbers are not re-sorted }
    CheckInt(LangEntryNumber(0), 3, 'entry 0 number');
    CheckInt(LangEntryTag(0), 7, 'entry 0 tag');
    CheckStr(LangEntryText(0), 'Three', 'entry 0 text');
    CheckInt(LangEntryNumber(1), 1, 'entry 1 number');
    CheckInt(LangEntryTag(1), $FFFF, 'entry 1 tag is unsigned');
    CheckStr(GetLangStr(1), 'One', 'GetLangStr(1)');
    CheckStr(GetLangStr(2), '', 'GetLangStr(2), empty text');
    Check(LangStrExists(2), 'empty text exists');
    CheckStr(GetLangStr(3), 'Three', 'GetLangStr(3)');
  end;

  { offsets 0, 6 and 7 over Hello#0#0Bye#0 }
  Group := 'version 1.50 offsets';
  B := TLngBuilder.Create('1.50');
  try
    B.Pool := 'Hello'#0#0'Bye'#0;
    B.AddRaw(1, 0, 0);
    B.AddRaw(2, 6, 0);
    B.AddRaw(3, 7, 0);
    Check(LoadLanguageData(B.Bytes, 'mem'), 'load: ' + LangLastError);
    CheckStr(GetLangStr(1), 'Hello', 'text at 0');
    CheckStr(GetLangStr(2), '', 'text at 6');
    CheckStr(GetLangStr(3), 'Bye', 'text at 7');
    { the same bytes under another version are read with 4-byte offsets }
    Data := B.Bytes;
    Data[6] := ' ';
    Check(not LoadLanguageData(Data, 'mem') or (GetLangStr(1) <> 'Hello'),
      'only exactly "1.50" has 2-byte offsets');
    { an offset into the middle of a text gives its tail }
    B.AddRaw(4, 2, 0);
    Check(LoadLanguageData(B.Bytes, 'mem'), 'load with inner offset');
    CheckStr(GetLangStr(4), 'llo', 'text at 2');
  finally
    B.Free;
  end;
end;

procedure TestSections;
var
  B: TLngBuilder;
begin
  Group := 'sections';
  B := TLngBuilder.Create('2.00');
  try
    B.AddText(1, 0, 'x');
    Check(Length(B.Bytes) = 138 + 8 + 2, 'empty model is 138 bytes plus one entry');
    B.FontCount := -5;        { a count of 0 or less means no fonts }
    Check(LoadLanguageData(B.Bytes, 'mem'), 'negative font count: ' + LangLastError);
    CheckStr(GetLangStr(1), 'x', 'text after negative font count');
    B.FontCount := 300;
    B.TextCount := 400;       { counts above 255 need both bytes }
    SetLength(B.GroupItems, 2);
    B.GroupItems[0] := 0;
    B.GroupItems[1] := 300;
    B.HeaderFill := True;
    Check(LoadLanguageData(B.Bytes, 'mem'), 'large sections: ' + LangLastError);
    CheckStr(GetLangStr(1), 'x', 'text after large sections');
  finally
    B.Free;
  end;
end;

procedure TestGroups;
var
  B: TLngBuilder;
  Data: string;
  Cut: Integer;
begin
  Group := 'property groups';
  B := TLngBuilder.Create('1.50');
  try
    SetLength(B.GroupItems, 1);   { 'Group0' with items 'item 1' = 1, 'item 2' = 2 }
    B.GroupItems[0] := 2;
    B.AddGroup('TfrmMain');
    B.AddItem('lblTotal.Caption', 65535);
    B.AddItem('Caption', 0);
    B.AddGroup('Empty');
    B.AddGroup(#$C3#$89'TAT');    { UTF-8 capital E acute }
    B.AddItem('x', 7);
    B.AddGroup('TFRMMAIN');
    B.AddItem('Hint', 3);
    B.AddText(1, 0, 'one');
    Data := B.Bytes;
  finally
    B.Free;
  end;
  Check(LoadLanguageData(Data, 'mem'), 'load: ' + LangLastError);
  CheckStr(GetLangStr(1), 'one', 'string table after the groups');
  CheckInt(LangGroupCount, 5, 'groups in file order, empty ones included');
  CheckStr(LangGroupName(1), 'TfrmMain', 'name');
  CheckInt(LangGroupItemCount(1), 2, 'item count');
  CheckStr(LangGroupItemText(1, 0), 'lblTotal.Caption', 'item text');
  CheckInt(LangGroupItemValue(1, 0), 65535, 'value is unsigned');
  CheckInt(LangGroupItemValue(1, 1), 0, 'value 0');
  CheckInt(LangGroupItemCount(2), 0, 'empty group');
  CheckStr(LangGroupItemText(4, 0), 'Hint', 'item of the last group');
  CheckInt(LangGroupItemValue(0, 1), 2, 'items of a group before');
  CheckInt(LangFindGroup('tfrmmain', 0), 1, 'found without regard to case');
  CheckInt(LangFindGroup('TfrmMain', 2), 4, 'the next match after Start');
  CheckInt(LangFindGroup('TfrmMain', 5), -1, 'no match after the last');
  CheckInt(LangFindGroup(#$C3#$A9'tat', 0), 3, 'non-ASCII letters compare without case');
  CheckInt(LangFindGroup('TfrmMai', 0), -1, 'a prefix does not match');
  CheckInt(LangGroupItemCount(5), -1, 'group past the end');
  CheckInt(LangGroupItemValue(1, 2), -1, 'item past the end');
  CheckInt(LangGroupItemValue(-1, 0), -1, 'negative group');
  CheckStr(LangGroupName(-1), '', 'name of a negative group');
  CheckStr(LangGroupItemText(1, -1), '', 'negative item');
  { every cut inside the groups fails and leaves no groups behind }
  for Cut := 140 to Length(Data) - 20 do
    if LoadLanguageData(Copy(Data, 1, Cut), 'mem') or (LangGroupCount <> 0) then
    begin
      Check(False, 'cut at ' + IntToStr(Cut));
      Break;
    end;
  Check(LoadLanguageData(OneText('2.00', 1, 'x'), 'mem'), 'load without groups');
  CheckInt(LangGroupCount, 0, 'a new load replaces the groups');
end;

var
  ChangeCalls, OtherCalls: Integer;

procedure CountChange;
begin
  Inc(ChangeCalls);
end;

procedure CountOther;
begin
  Inc(OtherCalls);
end;

procedure TestChangeHandlers;
begin
  Group := 'change handlers';
  ChangeCalls := 0;
  OtherCalls := 0;
  AddLangChangeHandler(@CountChange);
  AddLangChangeHandler(@CountChange);
  AddLangChangeHandler(@CountOther);
  LoadLanguageData(OneText('2.00', 1, 'x'), 'mem');
  CheckInt(ChangeCalls, 1, 'one call per load, also when registered twice');
  CheckInt(OtherCalls, 1, 'every handler is called');
  LoadLanguageData('LF', 'mem');
  CheckInt(ChangeCalls, 2, 'a failed load');
  LoadLanguageFile(Cwd + '/t_missing.lng');
  CheckInt(ChangeCalls, 3, 'a missing file, once');
  WriteBytes(Cwd + '/t_change.lng', OneText('2.00', 1, 'y'));
  LoadLanguage(Cwd + '/t_change');
  CheckInt(ChangeCalls, 4, 'LoadLanguage, once');
  UnloadLanguage;
  CheckInt(ChangeCalls, 5, 'UnloadLanguage');
  RemoveLangChangeHandler(@CountChange);
  RemoveLangChangeHandler(@CountChange);
  UnloadLanguage;
  CheckInt(ChangeCalls, 5, 'not called once removed');
  CheckInt(OtherCalls, 6, 'the other one still is');
  RemoveLangChangeHandler(@CountOther);
end;

procedure TestLookup;
var
  B: TLngBuilder;
begin
  Group := 'lookup';
  B := TLngBuilder.Create('2.00');
  try
    B.AddText(5, 1, 'first');
    B.AddText(0, 0, 'zero');
    B.AddText(5, 2, 'second');
    B.AddText(65535, 0, 'last');
    Check(LoadLanguageData(B.Bytes, 'mem'), 'load');
    CheckStr(GetLangStr(5), 'first', 'first entry of a duplicate wins');
    CheckInt(LangEntryCount, 4, 'duplicates stay in the enumeration');
    CheckStr(LangEntryText(2), 'second', 'enumeration keeps the second one');
    CheckStr(GetLangStr(0), 'zero', 'number 0');
    CheckStr(GetLangStr(65535), 'last', 'number 65535');
    CheckStr(GetLangStr(6), '', 'missing number');
    Check(not LangStrExists(6), 'missing number does not exist');
    CheckStr(GetLangStr(-1), '', 'negative number');
    CheckStr(GetLangStr(65536), '', 'number above 65535');
    CheckStr(GetLangStr(-65536 + 5), '', 'number that wraps to 5');
    CheckInt(LangEntryNumber(4), -1, 'entry index past the end');
    CheckInt(LangEntryTag(-1), -1, 'negative entry index');
    CheckStr(LangEntryText(4), '', 'text past the end');
    { a second load replaces the first completely }
    Check(LoadLanguageData(OneText('2.00', 7, 'seven'), 'mem'), 'reload');
    CheckStr(GetLangStr(5), '', 'old number gone after reload');
    CheckStr(GetLangStr(7), 'seven', 'new number after reload');
  finally
    B.Free;
  end;
end;

procedure TestManyEntries;
var
  B: TLngBuilder;
  I, Bad: Integer;
  Data, Long: string;
begin
  Group := '65535 entries';
  Long := StringOfChar('L', 3000);
  B := TLngBuilder.Create('2.00');
  try
    for I := 1 to 65535 do
      if I mod 1000 = 0 then
        B.AddText(I, I, Long + IntToStr(I))
      else
        B.AddText(I, I, 'S' + IntToStr(I));
    Data := B.Bytes;
  finally
    B.Free;
  end;
  Check(LoadLanguageData(Data, 'mem'), 'load: ' + LangLastError);
  CheckInt(LangEntryCount, 65535, 'entry count');
  Bad := 0;
  for I := 1 to 65535 do
    if ((I mod 1000 = 0) and (GetLangStr(I) <> Long + IntToStr(I))) or
      ((I mod 1000 <> 0) and (GetLangStr(I) <> 'S' + IntToStr(I))) or
      (LangEntryTag(I - 1) <> I) then
      Inc(Bad);
  CheckInt(Bad, 0, 'entries with a wrong text or tag');
  { entries sharing one long text: the lookup of its end must not rescan }
  B := TLngBuilder.Create('2.00');
  try
    B.Pool := StringOfChar('z', 200000) + #0;
    for I := 1 to 65535 do
      B.AddRaw(I, I, 0);
    Check(LoadLanguageData(B.Bytes, 'mem'), 'shared long text: ' + LangLastError);
    CheckInt(Length(GetLangStr(65535)), 200000 - 65535, 'tail length');
  finally
    B.Free;
  end;
end;

procedure TestNonAscii;
var
  All: string;
  I: Integer;
begin
  Group := 'non-ASCII';
  All := '';
  for I := 1 to 255 do
    All := All + Chr(I);
  Check(LoadLanguageData(OneText('2.00', 1, All), 'mem'), 'load');
  CheckStr(GetLangStr(1), All, 'every non-zero byte passes unchanged');
  Check(LoadLanguageData(OneText('1.50', 9, 'Gr'#$C3#$BC#$C3#$9F'e'), 'mem'), 'load utf-8');
  CheckStr(GetLangStr(9), 'Gr'#$C3#$BC#$C3#$9F'e', 'UTF-8 text unchanged');
end;

procedure TestDamaged;
var
  B: TLngBuilder;
  Full, Front: string;
  V, L: Integer;
begin
  for V := 0 to 1 do
  begin
    if V = 0 then
      Full := RichFile('2.00')
    else
      Full := RichFile('1.50');
    Group := 'truncated ' + Copy(Full, 3, 4);
    { Length 0 is a valid empty file; any other cut must fail cleanly. }
    for L := 1 to Length(Full) - 1 do
      if LoadLanguageData(Copy(Full, 1, L), 'mem') or (LangLastError = '') or
        (LangEntryCount <> 0) then
        Check(False, 'cut at ' + IntToStr(L) + ' of ' + IntToStr(Length(Full)));
    Check(LoadLanguageData(Full, 'mem'), 'the whole file loads');
  end;

  Group := 'signature';
  CheckFails('lf2.00' + Copy(RichFile('2.00'), 7, MaxInt), 'lower-case lf');
  Check(ContainsText(LangLastError, 'Not a language file or old version (1.1)'),
    'signature message: ' + LangLastError);
  CheckFails('XY2.00' + Copy(RichFile('2.00'), 7, MaxInt), 'XY');
  CheckFails('L', 'one byte');

  Group := 'empty';
  Check(LoadLanguageData(OneText('2.00', 1, 'a'), 'mem'), 'load before empty');
  Check(LoadLanguageData('', 'mem'), '0-byte data is an empty table');
  CheckStr(LangLastError, '', 'no error for 0 bytes');
  CheckInt(LangEntryCount, 0, '0 bytes: no entries');
  CheckStr(GetLangStr(1), '', '0 bytes: nothing left of the previous table');

  Group := 'counts past the end';
  B := TLngBuilder.Create('2.00');
  try
    Front := B.Front;
    B.FontCount := MaxInt;
    B.FontEntries := 1;
    CheckFails(B.Front, 'font count 2^31-1');
    Check(ContainsText(LangLastError, 'font list'), 'names the font list: ' + LangLastError);
    { Front ends with the zero counts of sections E and F. }
    Front := Copy(Front, 1, Length(Front) - 4);
    CheckFails(Front + U16(65535) + ShortText('a'), 'text count 65535');
    Check(ContainsText(LangLastError, 'text list'), 'names the text list: ' + LangLastError);
    CheckFails(Front + U16(0) + U16(2) + ShortText('G') + U16(0), 'group count 2, one group');
    CheckFails(Front + U16(0) + U16(1) + ShortText('G') + U16(1) + ShortText('i'),
      'item without value');
    CheckFails(Front + U16(0) + U16(0) + U16(65535) + StringOfChar(#0, 100),
      'string count 65535');
    Check(ContainsText(LangLastError, 'string table'), 'names the table: ' + LangLastError);
    CheckFails(Front + U16(0) + U16(0) + U16(1) + U16(1) + U32(0) + U16(0), 'entry with empty pool');
    Check(LoadLanguageData(Front + U16(0) + U16(0) + U16(0), 'mem'), 'the same front loads');
  finally
    B.Free;
  end;

  Group := 'offsets';
  B := TLngBuilder.Create('2.00');
  try
    B.Pool := 'abc'#0;
    B.AddRaw(1, 0, 0);
    B.AddRaw(2, 4, 0);
    CheckFails(B.Bytes, 'offset equal to the pool size');
    Check(ContainsText(LangLastError, 'outside the text pool'), 'message: ' + LangLastError);
    B.Offsets[1] := MaxInt;
    CheckFails(B.Bytes, 'offset 2^31-1');
    B.Offsets[1] := -1;  { written as $FFFFFFFF }
    CheckFails(B.Bytes, 'offset $FFFFFFFF');
    B.Offsets[1] := 3;
    Check(LoadLanguageData(B.Bytes, 'mem'), 'offset at the last zero byte');
    CheckStr(GetLangStr(2), '', 'text at the last zero byte');
    B.Pool := 'abc'#0'def';
    B.Offsets[1] := 4;
    CheckFails(B.Bytes, 'text with no zero byte before the end');
    Check(ContainsText(LangLastError, 'zero byte'), 'message: ' + LangLastError);
    B.Offsets[1] := 0;
    Check(LoadLanguageData(B.Bytes, 'mem'), 'bytes after the last text are allowed');
  finally
    B.Free;
  end;
  B := TLngBuilder.Create('1.50');
  try
    B.Pool := 'abc'#0;
    B.AddRaw(1, $FFFF, 0);
    CheckFails(B.Bytes, '1.50 offset $FFFF');
  finally
    B.Free;
  end;
end;

procedure TestFiles;
var
  Name: string;
begin
  Group := 'files';
  Name := Cwd + '/t_files.lng';
  WriteBytes(Name, OneText('2.00', 4, 'four'));
  Check(LoadLanguageFile(Name), 'load file: ' + LangLastError);
  CheckStr(GetLangStr(4), 'four', 'text from file');
  CheckStr(LangCurrentFile, Name, 'current file');
  Check(not LoadLanguageFile(Cwd + '/t_missing.lng'), 'missing file fails');
  CheckStr(LangLastError, 'Cannot open file ' + Cwd + '/t_missing.lng', 'missing file message');
  CheckStr(GetLangStr(4), '', 'missing file leaves no strings');
  Check(not LoadLanguageFile(Cwd), 'a directory fails');
  Check(LangLastError <> '', 'a directory gives a message');
  WriteBytes(Name, '');
  Check(LoadLanguageFile(Name), '0-byte file loads');
  CheckInt(LangEntryCount, 0, '0-byte file is empty');
  WriteBytes(Name, 'LF2.00');
  Check(not LoadLanguageFile(Name), 'truncated file fails');
  Check(ContainsText(LangLastError, Name), 'message names the file: ' + LangLastError);
end;

procedure TestLowerCase;
begin
  Group := 'lower case';
  CheckStr(LangLowerCase('ENGLISH abc 123'), 'english abc 123', 'ASCII');
  CheckStr(LangLowerCase(#$C3#$89'NGLISH'), #$C3#$A9'nglish', 'UTF-8 É');
  CheckStr(LangLowerCase(#$C9'NGLISH'), #$E9'nglish', 'Windows-1252 É');
  CheckStr(LangLowerCase(#$CE#$91#$CE#$92#$CE#$A3'A'), #$CE#$B1#$CE#$B2#$CF#$83'a', 'Greek');
  CheckStr(LangLowerCase(#$D0#$9F#$D0#$A0#$D0#$81), #$D0#$BF#$D1#$80#$D1#$91, 'Cyrillic');
  CheckStr(LangLowerCase(#$C5#$81#$C5#$B8), #$C5#$82#$C3#$BF, 'Latin Extended-A Ł Ÿ');
  CheckStr(LangLowerCase(#$C7#$84#$C8#$BA), #$C7#$86#$E2#$B1#$A5, 'Latin Extended-B Ǆ Ⱥ');
  CheckStr(LangLowerCase(#$C4#$B0), 'i', 'İ has the simple mapping i');
  CheckStr(LangLowerCase(#$E2#$84#$AA), 'k', 'Kelvin sign');
  CheckStr(LangLowerCase(#$F0#$90#$90#$80), #$F0#$90#$90#$A8, 'Deseret, 4 bytes');
  CheckStr(LangLowerCase(#$C3#$A9#$C3#$9F#$E2#$82#$AC), #$C3#$A9#$C3#$9F#$E2#$82#$AC,
    'lower case, ß and € unchanged');
  { not valid UTF-8: the whole text is Windows-1252 }
  CheckStr(LangLowerCase(#$C3#$84#$FF), #$E3#$84#$FF, 'UTF-8 Ä next to a stray byte');
  CheckStr(LangLowerCase(#$8A#$8C#$8E#$9F#$C0#$DE#$D7), #$9A#$9C#$9E#$FF#$E0#$FE#$D7,
    'Windows-1252 Š Œ Ž Ÿ À Þ ×');
  CheckStr(LangLowerCase(#$C0#$80'A'), #$E0#$80'a', 'overlong UTF-8 is not UTF-8');
  CheckStr(LangLowerCase(#$ED#$A0#$80'A'), #$ED#$A0#$80'a', 'UTF-8 surrogate is not UTF-8');
  CheckStr(LangLowerCase(#$C3), #$E3, 'cut UTF-8 sequence');
  CheckStr(LangLowerCase(#$81#$8D#$8F#$90#$9D), #$81#$8D#$8F#$90#$9D, 'unassigned 1252 bytes');
  CheckStr(LangLowerCase(''), '', 'empty');
end;

procedure TestNameRule;
begin
  Group := 'name rule';
  CheckStr(MakeLangFileNameIn('English', '/w', False), '/w/english.lng', 'plain name');
  CheckStr(MakeLangFileNameIn('/home/Ann/Shop/English', '/w', False),
    '/home/Ann/Shop/english.lng', 'only the last component is lower-cased');
  CheckStr(MakeLangFileNameIn('Sub/FR.Lng', '/w', False), 'Sub/fr.lng',
    'relative directory: no prefix, .lng found after lower-casing');
  CheckStr(MakeLangFileNameIn('Notes.LNG.bak', '/w', False), '/w/notes.lng.bak',
    '.lng anywhere: nothing appended');
  CheckStr(MakeLangFileNameIn('LNG/x', '/w', False), 'LNG/x.lng', '.lng in the directory does not count');
  CheckStr(MakeLangFileNameIn('a\B', '/w', False), '/w/a\b.lng', 'backslash is no separator on Unix');
  CheckStr(MakeLangFileNameIn('English', '/', False), '//english.lng', 'separator added after a root');
  CheckStr(MakeLangFileNameIn(#$C3#$89'NGLISH', '/w', False), '/w/'#$C3#$A9'nglish.lng', 'UTF-8 name');
  CheckStr(MakeLangFileNameIn(#$C9'NGLISH', '/w', False), '/w/'#$E9'nglish.lng', 'Windows-1252 name');
  CheckStr(MakeLangFileNameIn(#$C3#$89'/'#$C9, '/w', False), #$C3#$89'/'#$E9'.lng',
    'last component decoded on its own');
  CheckStr(MakeLangFileNameIn('English', 'C:\Work', True), 'C:\Work\english.lng', 'Windows plain');
  CheckStr(MakeLangFileNameIn('D:\Lang\French.LNG', 'C:\W', True), 'd:\lang\french.lng',
    'Windows: whole name lower-cased');
  CheckStr(MakeLangFileNameIn('C:\X\Y', 'C:\W', True), 'c:\x\y.lng', 'Windows append');
  CheckStr(MakeLangFileNameIn('A:B', 'C:\W', True), 'a:b.lng', 'colon ends a directory part');
  CheckStr(MakeLangFileNameIn('notes.lng.bak', 'C:\', True), 'C:\\notes.lng.bak', 'Windows drive root');
  CheckStr(MakeLangFileNameIn('Sub/Eng', 'C:\W', True), 'C:\W\sub/eng.lng', 'slash is no separator on Windows');
  CheckStr(MakeLangFileName('English'), Cwd + '/english.lng', 'current directory');
end;

procedure TestLoadLanguage;
begin
  Group := 'LoadLanguage';
  WriteBytes(Cwd + '/french.lng', OneText('2.00', 1, 'Bonjour'));
  Check(LoadLanguage('French'), 'by name: ' + LangLastError);
  CheckStr(GetLangStr(1), 'Bonjour', 'French text');
  CheckStr(LangCurrentFile, Cwd + '/french.lng', 'file of the name');
  Check(LoadLanguage('FRENCH.LNG'), 'by file name');
  Check(not LoadLanguage('Klingon'), 'missing language fails');
  CheckStr(LangLastError, 'Cannot open file ' + Cwd + '/klingon.lng', 'message');
  CheckStr(GetLangStr(1), '', 'missing language leaves no strings');
  Check(vMLang.LoadLanguage('French'), 'through vMLang');
  CheckStr(vMLang.GetLangStr(1), 'Bonjour', 'vMLang.GetLangStr');
  CheckStr(vMLang.LangLastError, '', 'vMLang.LangLastError');
  UnloadLanguage;
  CheckStr(GetLangStr(1), '', 'after UnloadLanguage');
  CheckStr(LangCurrentFile, '', 'no file after UnloadLanguage');
end;

procedure TestComponentInCode;
var
  M: TvMLang;
begin
  Group := 'TvMLang in code';
  WriteBytes(Cwd + '/german.lng', OneText('2.00', 1, 'Hallo'));
  WriteBytes(Cwd + '/french.lng', OneText('2.00', 1, 'Bonjour'));
  M := TvMLang.Create(nil);
  try
    M.LangFileName := 'German';
    CheckStr(GetLangStr(1), 'Hallo', 'setting loads');
    CheckStr(M.LangFileName, 'German', 'property keeps the name as given');
    M.LangFileName := 'French';
    CheckStr(GetLangStr(1), 'Bonjour', 'setting again switches');
    WriteBytes(Cwd + '/french.lng', OneText('2.00', 1, 'Salut'));
    Check(M.Reload, 'Reload');
    CheckStr(GetLangStr(1), 'Salut', 'Reload reads the file again');
    M.LangFileName := '';
    CheckStr(GetLangStr(1), 'Salut', 'empty name changes nothing');
    Check(not M.Reload, 'Reload without a name');
  finally
    M.Free;
  end;
end;

{ ---- phases that need a fresh process -------------------------------- }

type
  { Records whether anything was loaded before Loaded ran. }
  TProbeMLang = class(TvMLang)
  protected
    procedure Loaded; override;
  end;

var
  ChosenBeforeLoaded: Boolean;
  LoadedCalls: Integer;

procedure TProbeMLang.Loaded;
begin
  ChosenBeforeLoaded := LanguageChosen;
  Inc(LoadedCalls);
  inherited Loaded;
end;

{ Reads a TProbeMLang from a form stream, as a form would. }
procedure StreamComponent(const LangName: string);
var
  Text, Bin: TMemoryStream;
  Src: string;
  M: TProbeMLang;
begin
  Src := 'object vMLang1: TProbeMLang'#10'  LangFileName = ''' + LangName + ''''#10'end'#10;
  Text := TMemoryStream.Create;
  Bin := TMemoryStream.Create;
  M := TProbeMLang.Create(nil);
  try
    Text.WriteBuffer(Src[1], Length(Src));
    Text.Position := 0;
    ObjectTextToBinary(Text, Bin);
    Bin.Position := 0;
    Bin.ReadComponent(M);
    CheckStr(M.LangFileName, LangName, 'streamed property');
  finally
    M.Free;
    Bin.Free;
    Text.Free;
  end;
end;

procedure PhaseNone;
begin
  Group := 'default, nothing there';
  CheckStr(GetLangStr(1), '', 'GetLangStr');
  Check(LanguageChosen, 'the default was tried');
  CheckStr(LangLastError, 'Cannot open file ' + Cwd + '/english.lng', 'message');
end;

procedure PhaseCwd;
begin
  Group := 'default from the current directory';
  WriteBytes(Cwd + '/english.lng', OneText('2.00', 1, 'Hello'));
  Check(not LanguageChosen, 'nothing chosen at start');
  CheckStr(GetLangStr(1), 'Hello', 'GetLangStr');
  CheckStr(LangCurrentFile, Cwd + '/english.lng', 'file');
end;

procedure PhaseExe;
var
  Beside: string;
begin
  Group := 'default next to the executable';
  Beside := ExtractFilePath(ParamStr(0)) + 'english.lng';
  WriteBytes(Beside, OneText('2.00', 1, 'Beside'));
  Check(not FileExists(Cwd + '/english.lng'), 'no english.lng in the current directory');
  CheckStr(GetLangStr(1), 'Beside', 'GetLangStr');
  CheckStr(LangCurrentFile, Beside, 'file');
  Check(LoadLanguage('ENGLISH'), 'LoadLanguage finds it too');
  Check(not LoadLanguage(Cwd + '/English'), 'a name with a directory is not looked up elsewhere');
end;

procedure PhaseEnv;
begin
  Group := 'default from ' + LangEnvVar;
  WriteBytes(Cwd + '/autolang.lng', OneText('2.00', 1, 'Auto'));
  WriteBytes(Cwd + '/english.lng', OneText('2.00', 1, 'Hello'));
  CheckStr(GetLangStr(1), 'Auto', 'GetLangStr');
  StreamComponent('English');
  CheckStr(GetLangStr(1), 'Auto', 'a later streamed component does not switch back');
end;

procedure PhaseStream;
var
  M: TvMLang;
begin
  Group := 'streamed TvMLang';
  WriteBytes(Cwd + '/german.lng', OneText('2.00', 1, 'Hallo'));
  WriteBytes(Cwd + '/french.lng', OneText('2.00', 1, 'Bonjour'));
  WriteBytes(Cwd + '/english.lng', OneText('2.00', 1, 'Hello'));
  StreamComponent('German');
  CheckInt(LoadedCalls, 1, 'Loaded called');
  Check(not ChosenBeforeLoaded, 'nothing loaded while the form was read');
  CheckStr(GetLangStr(1), 'Hallo', 'streamed name loaded');
  StreamComponent('French');
  CheckStr(GetLangStr(1), 'Hallo', 'a second form keeps the chosen language');
  M := TvMLang.Create(nil);
  try
    M.LangFileName := 'French';
    CheckStr(GetLangStr(1), 'Bonjour', 'setting in code still switches');
  finally
    M.Free;
  end;
end;

procedure PhaseEnvStream;
begin
  Group := LangEnvVar + ' and a streamed TvMLang';
  WriteBytes(Cwd + '/autolang.lng', OneText('2.00', 1, 'Auto'));
  WriteBytes(Cwd + '/german.lng', OneText('2.00', 1, 'Hallo'));
  StreamComponent('German');
  CheckStr(GetLangStr(1), 'Auto', 'the environment wins over the form');
end;

var
  Phase: string;
begin
{$IFDEF VLANG_HEAPCHECK}
  HaltOnNotReleased := True;
{$ENDIF}
  RegisterClass(TProbeMLang);
  Checks := 0;
  Failures := 0;
  Phase := ParamStr(1);
  if Phase = 'all' then
  begin
    { must not reach for a default while the phase runs }
    UnloadLanguage;
    TestVersions;
    TestSections;
    TestGroups;
    TestChangeHandlers;
    TestLookup;
    TestManyEntries;
    TestNonAscii;
    TestDamaged;
    TestFiles;
    TestLowerCase;
    TestNameRule;
    TestLoadLanguage;
    TestComponentInCode;
  end
  else if Phase = 'none' then
    PhaseNone
  else if Phase = 'cwd' then
    PhaseCwd
  else if Phase = 'exe' then
    PhaseExe
  else if Phase = 'env' then
    PhaseEnv
  else if Phase = 'stream' then
    PhaseStream
  else if Phase = 'envstream' then
    PhaseEnvStream
  else
  begin
    WriteLn('unknown phase ', Phase);
    Halt(2);
  end;
  WriteLn(Phase, ': ', Checks, ' checks, ', Failures, ' failed');
  Phase := '';  { Halt skips the program's own finalization: no false leak }
  if (Failures > 0) or (Checks = 0) then
    Halt(1);
end.
