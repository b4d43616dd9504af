program mklngdata;

{ Writes the language files of tests/runtime/data and, for every file that
  must load, NAME.expected: the lngdump output derived from the model the
  file was built from (texts with their escaped form written out by hand).
  Files without .expected must fail to load.
  Usage: mklngdata OUTDIR }

{$H+}

uses
  SysUtils, lngbuild;

var
  OutDir: string;
  Expected: string;

procedure Add(B: TLngBuilder; Number, Tag: Integer; const Text, Shown: string);
begin
  B.AddText(Number, Tag, Text);
  Expected := Expected + IntToStr(Number) + #9 + IntToStr(Tag) + #9 + Shown + #10;
end;

procedure Emit(const Name, Data: string; Loads: Boolean);
begin
  WriteBytes(OutDir + '/' + Name + '.lng', Data);
  if Loads then
    WriteBytes(OutDir + '/' + Name + '.expected', Expected);
  Expected := '';
end;

function Rich(const Version: string): TLngBuilder;
begin
  Result := TLngBuilder.Create(Version);
  Result.HeaderFill := True;
  Result.FontCount := 2;
  Result.TextCount := 2;
  SetLength(Result.GroupItems, 2);
  Result.GroupItems[0] := 1;
  Result.GroupItems[1] := 0;
end;

var
  B: TLngBuilder;
  Full: string;
begin
  OutDir := ParamStr(1);
  Expected := '';

  B := Rich('2.00');
  Add(B, 1, 0, 'Hello', 'Hello');
  Add(B, 2, 0, '', '');
  Add(B, 3, 5, 'Bye', 'Bye');
  Emit('basic-200', B.Bytes, True);
  Full := B.Bytes;
  B.Free;
  Emit('bad-truncated-pool', Copy(Full, 1, Length(Full) - 1), False);
  Emit('bad-truncated-header', Copy(Full, 1, 60), False);
  Emit('bad-truncated-fonts', Copy(Full, 1, 150), False);
  Emit('bad-signature', 'lf' + Copy(Full, 3, MaxInt), False);
  Emit('bad-one-byte', 'L', False);

  B := Rich('1.50');
  Add(B, 1, 0, 'Hello', 'Hello');
  Add(B, 2, 0, '', '');
  Add(B, 3, 5, 'Bye', 'Bye');
  Emit('basic-150', B.Bytes, True);
  B.Free;

  B := Rich('2.10');
  Add(B, 10, 1, 'other version, 4-byte offsets', 'other version, 4-byte offsets');
  Emit('other-version', B.Bytes, True);
  B.Free;

  B := TLngBuilder.Create('2.00');
  Add(B, 5, 0, 'first', 'first');
  Add(B, 3, 0, 'three', 'three');
  Add(B, 5, 0, 'second', 'second');
  Add(B, 0, 65535, 'zero', 'zero');
  Add(B, 65535, 32768, 'last', 'last');
  Emit('duplicates-unsorted', B.Bytes, True);
  B.Free;

  B := TLngBuilder.Create('2.00');
  Add(B, 1, 0, 'a\b'#9'c'#13#10, 'a\\b\tc\r\n');
  Add(B, 2, 0, #1#2#31#127'x', '\x01\x02\x1f\x7fx');
  Add(B, 3, 0, #11#12#27, '\x0b\x0c\x1b');
  Add(B, 4, 0, ' ~', ' ~');
  Add(B, 5, 0, #$80#$FF#$C3#$A9, #$80#$FF#$C3#$A9);
  Add(B, 6, 0, 'Gr'#$FC#$DF'e', 'Gr'#$FC#$DF'e');
  Emit('escapes', B.Bytes, True);
  B.Free;

  B := TLngBuilder.Create('2.00');
  B.FontCount := -1;
  B.TextCount := 300;
  Add(B, 7, 0, 'after a negative font count', 'after a negative font count');
  Emit('negative-font-count', B.Bytes, True);
  B.Free;

  { Hello, an empty text and Bye at offsets 0, 6 and 7; 2 gives 'llo' }
  B := TLngBuilder.Create('1.50');
  B.Pool := 'Hello'#0#0'Bye'#0;
  B.AddRaw(1, 0, 0);
  B.AddRaw(2, 6, 0);
  B.AddRaw(3, 7, 0);
  B.AddRaw(4, 2, 0);
  Expected := '1'#9'0'#9'Hello'#10'2'#9'0'#9#10'3'#9'0'#9'Bye'#10'4'#9'0'#9'llo'#10;
  Emit('shared-pool', B.Bytes, True);
  B.Offsets[3] := 11;
  Emit('bad-offset-outside', B.Bytes, False);
  B.Pool := 'Hello'#0#0'Bye';
  B.Offsets[3] := 2;
  Emit('bad-no-zero-byte', B.Bytes, False);
  B.Free;

  B := TLngBuilder.Create('2.00');
  Emit('minimal', B.Bytes, True);
  B.FontCount := 3;
  B.FontEntries := 0;
  Emit('bad-font-count-past-end', B.Bytes, False);
  B.Free;

  Emit('empty', '', True);
end.
