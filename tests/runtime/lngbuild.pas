unit lngbuild;

{ Builds language files byte by byte for the run-time tests: an explicit
  writer of the layout, independent of the reader under test. }

{$IFDEF FPC}
  {$MODE OBJFPC}
{$ENDIF}
{$H+}

interface

type
  TLngBuilder = class
  private
    FPending: array of string;  { texts added since the pool was last joined }
    FPendingCount, FPendingLen: Integer;
    procedure JoinPool;
  public
    Version: string;          { four characters, written as they are }
    HeaderFill: Boolean;      { non-empty header texts, one over capacity }
    FontCount: Integer;       { written count; fonts follow when > 0 }
    FontEntries: Integer;     { fonts actually written; -1: FontCount }
    TextCount: Integer;       { section E: this many texts }
    GroupItems: array of Integer; { section F: one group per element }
    { Named groups, written after those of GroupItems: the name and the
      group's items already encoded (text and value each). }
    GroupNames, GroupBodies: array of string;
    GroupCounts: array of Integer;
    Numbers, Offsets, Tags: array of Integer;
    Count: Integer;           { entries in use in Numbers, Offsets, Tags }
    Pool: string;
    constructor Create(const AVersion: string);
    { Appends Text and its zero byte to the pool, with an entry for it. }
    procedure AddText(Number, Tag: Integer; const Text: string);
    { An entry with an arbitrary offset (no pool change). }
    procedure AddRaw(Number, Offset, Tag: Integer);
    { Starts a named group; AddItem adds items to the latest one. }
    procedure AddGroup(const Name: string);
    procedure AddItem(const Text: string; Value: Integer);
    { Sections A to F. }
    function Front: string;
    { The whole file. }
    function Bytes: string;
  end;

function U16(V: Integer): string;
function U32(V: Int64): string;
function ShortText(const S: string): string;
procedure WriteBytes(const FileName, Data: string);

implementation

uses
  SysUtils;

function U16(V: Integer): string;
begin
  Result := Chr(V and $FF) + Chr((V shr 8) and $FF);
end;

function U32(V: Int64): string;
begin
  Result := Chr(V and $FF) + Chr((V shr 8) and $FF) + Chr((V shr 16) and $FF) +
    Chr((V shr 24) and $FF);
end;

function ShortText(const S: string): string;
begin
  Result := Chr(Length(S)) + S;
end;

procedure WriteBytes(const FileName, Data: string);
var
  F: File;
begin
  AssignFile(F, FileName);
  Rewrite(F, 1);
  if Length(Data) > 0 then
    BlockWrite(F, Data[1], Length(Data));
  CloseFile(F);
end;

constructor TLngBuilder.Create(const AVersion: string);
begin
  inherited Create;
  Version := AVersion;
  FontEntries := -1;
end;

{ Tests add tens of thousands of texts: appending each to Pool would copy
  the pool every time, so texts wait in FPending and are joined once. }
procedure TLngBuilder.AddText(Number, Tag: Integer; const Text: string);
begin
  AddRaw(Number, Length(Pool) + FPendingLen, Tag);
  if FPendingCount = Length(FPending) then
    SetLength(FPending, 2 * FPendingCount + 16);
  FPending[FPendingCount] := Text + #0;
  Inc(FPendingCount);
  Inc(FPendingLen, Length(Text) + 1);
end;

procedure TLngBuilder.JoinPool;
var
  I, P: Integer;
begin
  P := Length(Pool);
  SetLength(Pool, P + FPendingLen);
  for I := 0 to FPendingCount - 1 do
  begin
    Move(FPending[I][1], Pool[P + 1], Length(FPending[I]));
    Inc(P, Length(FPending[I]));
  end;
  FPending := nil;
  FPendingCount := 0;
  FPendingLen := 0;
end;

procedure TLngBuilder.AddRaw(Number, Offset, Tag: Integer);
begin
  if Count = Length(Numbers) then
  begin
    SetLength(Numbers, 2 * Count + 16);
    SetLength(Offsets, 2 * Count + 16);
    SetLength(Tags, 2 * Count + 16);
  end;
  Numbers[Count] := Number;
  Offsets[Count] := Offset;
  Tags[Count] := Tag;
  Inc(Count);
end;

procedure TLngBuilder.AddGroup(const Name: string);
var
  N: Integer;
begin
  N := Length(GroupNames);
  SetLength(GroupNames, N + 1);
  SetLength(GroupBodies, N + 1);
  SetLength(GroupCounts, N + 1);
  GroupNames[N] := Name;
  GroupBodies[N] := '';
  GroupCounts[N] := 0;
end;

procedure TLngBuilder.AddItem(const Text: string; Value: Integer);
var
  N: Integer;
begin
  N := High(GroupNames);
  GroupBodies[N] := GroupBodies[N] + ShortText(Text) + U16(Value);
  Inc(GroupCounts[N]);
end;

{ A header text: empty, or a recognisable one when HeaderFill is set. }
function HeaderText(Fill: Boolean; const S: string): string;
begin
  if Fill then
    Result := ShortText(S)
  else
    Result := ShortText('');
end;

function TLngBuilder.Front: string;
var
  I, J: Integer;
begin
  Result := 'LF' + Version;
  { 15 characters in a field of capacity 10: the reader must skip all 15 }
  Result := Result + HeaderText(HeaderFill, 'EURO-DOLLAR-YEN');
  Result := Result + #1#2'.,'#2'/';
  Result := Result + HeaderText(HeaderFill, 'dd/mm/yyyy') +
    HeaderText(HeaderFill, 'dddd, d mmmm yyyy') + ':';
  Result := Result + HeaderText(HeaderFill, 'am') + HeaderText(HeaderFill, 'pm') +
    HeaderText(HeaderFill, 'hh:nn') + HeaderText(HeaderFill, 'hh:nn:ss');
  for I := 1 to 12 + 12 + 7 + 7 + 7 do
    Result := Result + HeaderText(HeaderFill, 'N' + IntToStr(I));
  for I := 1 to 7 do
    Result := Result + U32(I * 1000);
  Result := Result + U16($BEEF) + #$AA + #$55;          { word, byte, flag }
  Result := Result + StringOfChar(#$EE, 10);            { section B }
  Result := Result + #7 + U32(FontCount);               { section C }
  J := FontEntries;
  if J < 0 then
    J := FontCount;
  for I := 1 to J do
    Result := Result + ShortText('Font ' + IntToStr(I)) + U16(I) + Chr(I and $FF);
  Result := Result + StringOfChar(#$DD, 20);            { section D }
  Result := Result + U16(TextCount);                    { section E }
  for I := 1 to TextCount do
    Result := Result + ShortText('text ' + IntToStr(I));
  Result := Result + U16(Length(GroupItems) + Length(GroupNames)); { section F }
  for I := 0 to High(GroupItems) do
  begin
    Result := Result + ShortText('Group' + IntToStr(I)) + U16(GroupItems[I]);
    for J := 1 to GroupItems[I] do
      Result := Result + ShortText('item ' + IntToStr(J)) + U16(J);
  end;
  for I := 0 to High(GroupNames) do
    Result := Result + ShortText(GroupNames[I]) + U16(GroupCounts[I]) + GroupBodies[I];
end;

function TLngBuilder.Bytes: string;
var
  I, P, W: Integer;
  Head, Entry: string;
begin
  JoinPool;
  if Version = '1.50' then
    W := 6
  else
    W := 8;
  Head := Front + U16(Count);                           { section G }
  SetLength(Result, Length(Head) + Count * W + Length(Pool));
  Move(Head[1], Result[1], Length(Head));
  P := Length(Head) + 1;
  for I := 0 to Count - 1 do
  begin
    if W = 6 then
      Entry := U16(Numbers[I]) + U16(Offsets[I]) + U16(Tags[I])
    else
      Entry := U16(Numbers[I]) + U32(Offsets[I]) + U16(Tags[I]);
    Move(Entry[1], Result[P], W);
    Inc(P, W);
  end;
  if Length(Pool) > 0 then                              { section H }
    Move(Pool[1], Result[P], Length(Pool));
end;

end.
