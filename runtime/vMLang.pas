{ This unit sets its own mode: a program compiles in whatever mode its own
  files or its command line choose. }
{$IFDEF FPC}
  {$MODE DELPHI}
{$ENDIF}
unit vMLang;

{ The multi-language component and GetLangStr for form units.

  Polyverb adds this unit to the uses clause of every form unit it rewrites
  and places one TvMLang on each form, so this unit alone gives a form unit
  everything it calls: GetLangStr, LoadLanguage, LangLastError and the
  component. The reading itself lives in vLangRT (no Classes dependency,
  for console programs); the routines here forward to it, and behave as
  documented there:
    - GetLangStr returns '' for a missing number or when no language could
      be loaded; it never raises. The first entry of a duplicated number
      wins.
    - With no code at all, the first GetLangStr call loads the language
      named by the environment variable POLYVERB_LANG, else 'english'
      (english.lng in the current directory, else next to the executable).

  TvMLang.LangFileName
    - Set in code at run time: loads that language at once (a language
      name such as 'French' or a file name). An empty name changes nothing.
    - Streamed from a form: the value is the application's designed
      default. It is applied in Loaded, once the whole form is read, and
      only when no language was chosen yet; POLYVERB_LANG, when set, wins
      over it. So a form created later does not undo a language the user
      switched to, and every form may carry the same component.
    - At design time nothing is loaded.

  Form texts
    The language file's property groups say which text of a form takes
    which string: a group named after the form's class, one item per
    property, the item's text a path such as Caption, lblTotal.Caption,
    edName.EditLabel.Caption, lbFruit.Items, StatusBar1.Panels[0].Text or
    frmOptions1.lblTitle.Caption, its value the string number. A TvMLang
    sets these properties of its owner
      - in Loaded, once the form was read (a form that inherits from
        another must be read inside global loading, as the LCL does, or
        name the TvMLang in its own stream too: see the README);
      - after every change of the language (LangFileName, Reload,
        LoadLanguage here or in vLangRT, UnloadLanguage).
    The groups of the owner's class and of its ancestors apply, the
    ancestors' first, so a descendant's item wins. A path step is a
    component of that name owned by the object reached so far (a form's
    components, a frame's components), else a published object property;
    Name[N] takes item N of a collection. String properties are set, a
    string list gets the text split at CR LF. A path that leads nowhere is
    skipped; a number the file lacks leaves (or puts back) the designed
    text. Only the first TvMLang of an owner applies texts; a further one
    read with a later level of the form has the first one apply them.

  Language subset: as in vLangRT (the unit sets mode delphi itself, long
  strings through H+, no generics, advanced records, operator overloading,
  inline variables, overloads or default parameters). Compiled and tested
  here with Free Pascal only; compatibility with a classic Windows Pascal
  IDE cannot be tested on this system. }

{$H+}

interface

uses
  Classes, vLangRT;

type
  TvMLang = class(TComponent)
  private
    FLangFileName: string;
    { Designed texts of the paths set so far: path (case-insensitive) with
      a TvDesigned object holding the text. }
    FDesigned: TStringList;
    FApplyCount: Integer;
    procedure SetLangFileName(const Value: string);
    procedure ApplyNow;
    function Responsible: TvMLang;
  protected
    procedure Loaded; override;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    { Loads LangFileName now, whatever was loaded before; False on
      failure (see LangLastError). }
    function Reload: Boolean;
    { Sets the owner's texts from the loaded language now (loading the
      default language first when none was chosen yet). }
    procedure ApplyTexts;
  published
    property LangFileName: string read FLangFileName write SetLangFileName;
  end;

{ Same as vLangRT.GetLangStr: text number N, '' when missing. }
function GetLangStr(N: Integer): string;

{ Same as vLangRT.LoadLanguage. }
function LoadLanguage(const Name: string): Boolean;

{ Same as vLangRT.LangLastError. }
function LangLastError: string;

{ Puts TvMLang on the component palette of a design environment. }
procedure Register;

implementation

uses
  SysUtils, TypInfo;

{$IFNDEF FPC}
type
  PtrInt = Integer;   { an object reference's size in 32-bit compilers }
{$ENDIF}

type
  { A path's designed text, and the text last set there (as read back). }
  TvDesigned = class
  public
    Text: string;
    Applied: string;
  end;

var
  { Every TvMLang alive, in creation order. }
  GLive: TList;

function GetLangStr(N: Integer): string;
begin
  Result := vLangRT.GetLangStr(N);
end;

function LoadLanguage(const Name: string): Boolean;
begin
  Result := vLangRT.LoadLanguage(Name);
end;

function LangLastError: string;
begin
  Result := vLangRT.LangLastError;
end;

{ ---- property paths -------------------------------------------------- }

const
  CRLF = #13#10;

function IsStringKind(Info: PPropInfo): Boolean;
var
  Kind: TTypeKind;
begin
{$IFDEF FPC}
  Kind := Info^.PropType^.Kind;
  Result := Kind in [tkSString, tkLString, tkAString, tkWString, tkUString];
{$ELSE}
  Kind := Info^.PropType^^.Kind;
  Result := Kind in [tkString, tkLString, tkWString {$IFDEF UNICODE}, tkUString{$ENDIF}];
{$ENDIF}
end;

function IsClassKind(Info: PPropInfo): Boolean;
begin
{$IFDEF FPC}
  Result := Info^.PropType^.Kind = tkClass;
{$ELSE}
  Result := Info^.PropType^^.Kind = tkClass;
{$ENDIF}
end;

function ObjectOf(Instance: TObject; Info: PPropInfo): TObject;
begin
{$IFDEF FPC}
  Result := GetObjectProp(Instance, Info);
{$ELSE}
  Result := TObject(GetOrdProp(Instance, Info));
{$ENDIF}
end;

function PublishedProp(Instance: TObject; const Name: string): PPropInfo;
begin
  Result := nil;
  if (Instance <> nil) and (Instance.ClassInfo <> nil) then
    Result := GetPropInfo(PTypeInfo(Instance.ClassInfo), Name);
end;

{ Splits one path step 'Name' or 'Name[N]'; False when it is malformed. }
function SplitStep(const Step: string; var Name: string; var Index: Integer): Boolean;
var
  Open, Code: Integer;
begin
  Index := -1;
  Open := Pos('[', Step);
  if Open = 0 then
  begin
    Name := Step;
    Result := Name <> '';
    Exit;
  end;
  Name := Copy(Step, 1, Open - 1);
  Result := (Name <> '') and (Step[Length(Step)] = ']');
  if not Result then
    Exit;
  Val(Copy(Step, Open + 1, Length(Step) - Open - 1), Index, Code);
  Result := (Code = 0) and (Index >= 0);
end;

{ Follows every step of Path but the last from Root; Obj gets the object
  that holds the last step's property, Prop that property's name. }
function ResolvePath(Root: TComponent; const Path: string; var Obj: TObject;
  var Prop: string): Boolean;
var
  Rest, Step, Name: string;
  Dot, Index: Integer;
  Found: TComponent;
  Info: PPropInfo;
begin
  Result := False;
  Obj := Root;
  Rest := Path;
  Dot := Pos('.', Rest);
  while Dot > 0 do
  begin
    Step := Copy(Rest, 1, Dot - 1);
    Rest := Copy(Rest, Dot + 1, MaxInt);
    if not SplitStep(Step, Name, Index) then
      Exit;
    Found := nil;
    if (Index < 0) and (Obj is TComponent) then
      Found := TComponent(Obj).FindComponent(Name);
    if Found <> nil then
      Obj := Found
    else
    begin
      Info := PublishedProp(Obj, Name);
      if (Info = nil) or not IsClassKind(Info) then
        Exit;
      Obj := ObjectOf(Obj, Info);
      if Obj = nil then
        Exit;
      if Index >= 0 then
      begin
        if not (Obj is TCollection) or (Index >= TCollection(Obj).Count) then
          Exit;
        Obj := TCollection(Obj).Items[Index];
      end;
    end;
    Dot := Pos('.', Rest);
  end;
  Prop := Rest;
  Result := Prop <> '';
end;

{ The items of L joined with CR LF, none after the last. }
function JoinLines(L: TStrings): string;
var
  I: Integer;
begin
  Result := '';
  for I := 0 to L.Count - 1 do
  begin
    if I > 0 then
      Result := Result + CRLF;
    Result := Result + L[I];
  end;
end;

{ Makes L hold Text split at CR LF ('' gives no items). Items are replaced
  one by one when the count stays, so attached objects and a list box's
  selection survive. }
procedure SetLines(L: TStrings; const Text: string);
var
  Parts: TStringList;
  Rest: string;
  I, P: Integer;
begin
  Parts := TStringList.Create;
  try
    Rest := Text;
    if Rest <> '' then
    begin
      P := Pos(CRLF, Rest);
      while P > 0 do
      begin
        Parts.Add(Copy(Rest, 1, P - 1));
        Rest := Copy(Rest, P + 2, MaxInt);
        P := Pos(CRLF, Rest);
      end;
      Parts.Add(Rest);
    end;
    L.BeginUpdate;
    try
      if (Parts.Count = L.Count) and
        not ((L is TStringList) and TStringList(L).Sorted) then
      begin
        for I := 0 to Parts.Count - 1 do
          if L[I] <> Parts[I] then
            L[I] := Parts[I];
      end
      else
      begin
        L.Clear;
        for I := 0 to Parts.Count - 1 do
          L.Add(Parts[I]);
      end;
    finally
      L.EndUpdate;
    end;
  finally
    Parts.Free;
  end;
end;

{ Reads (Write False) or sets (Write True) the text at Path below Root;
  False when the path leads to no string property or string list. }
function PathText(Root: TComponent; const Path: string; Write: Boolean;
  var Text: string): Boolean;
var
  Obj, Value: TObject;
  Prop: string;
  Info: PPropInfo;
begin
  Result := False;
  if not ResolvePath(Root, Path, Obj, Prop) then
    Exit;
  Info := PublishedProp(Obj, Prop);
  if Info = nil then
    Exit;
  if IsStringKind(Info) then
  begin
    if Write then
    begin
      if Info^.SetProc = nil then
        Exit;
      SetStrProp(Obj, Info, Text);
    end
    else
      Text := GetStrProp(Obj, Info);
    Result := True;
  end
  else if IsClassKind(Info) then
  begin
    Value := ObjectOf(Obj, Info);
    if not (Value is TStrings) then
      Exit;
    if Write then
      SetLines(TStrings(Value), Text)
    else
      Text := JoinLines(TStrings(Value));
    Result := True;
  end;
end;

{ ---- TvMLang --------------------------------------------------------- }

constructor TvMLang.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  FDesigned := TStringList.Create;
  FDesigned.Sorted := True;
  FDesigned.Duplicates := dupIgnore;
  GLive.Add(Self);
end;

destructor TvMLang.Destroy;
var
  I: Integer;
begin
  if GLive <> nil then
    GLive.Remove(Self);
  if FDesigned <> nil then
    for I := 0 to FDesigned.Count - 1 do
      FDesigned.Objects[I].Free;
  FDesigned.Free;
  inherited Destroy;
end;

procedure TvMLang.SetLangFileName(const Value: string);
begin
  FLangFileName := Value;
  { While a form is read, properties arrive before the component is
    complete; Loaded decides then. }
  if (csLoading in ComponentState) or (csDesigning in ComponentState) then
    Exit;
  if FLangFileName <> '' then
    vLangRT.LoadLanguage(FLangFileName);
end;

procedure TvMLang.Loaded;
var
  Before: Integer;
begin
  inherited Loaded;
  if csDesigning in ComponentState then
    Exit;
  { The default load notifies every live TvMLang, this one included; a
    form read later only needs its own texts set. }
  Before := FApplyCount;
  if (FLangFileName <> '') and not LanguageChosen then
    vLangRT.LoadDefaultLanguage(FLangFileName);
  if (FApplyCount = Before) and (Owner <> nil) then
    ApplyTexts;
end;

function TvMLang.Reload: Boolean;
begin
  Result := (FLangFileName <> '') and vLangRT.LoadLanguage(FLangFileName);
end;

procedure TvMLang.ApplyTexts;
begin
  if not LanguageChosen then
    { notifies, and so applies the texts of every live TvMLang }
    vLangRT.LoadDefaultLanguage(LangDefaultName)
  else
    { A second TvMLang of the form (a descendant's own, when its ancestor
      got one later) hands its turn to the first: the level it came with
      has set designed texts over the translations. }
    Responsible.ApplyNow;
end;

{ The first live TvMLang of an owner applies its texts; a second one would
  take the first one's translations for designed texts. }
function TvMLang.Responsible: TvMLang;
var
  I: Integer;
  Other: TvMLang;
begin
  Result := Self;
  for I := 0 to GLive.Count - 1 do
  begin
    Other := TvMLang(GLive[I]);
    if Other = Self then
      Exit;
    if Other.Owner = Owner then
    begin
      Result := Other;
      Exit;
    end;
  end;
end;

procedure TvMLang.ApplyNow;
var
  Root: TComponent;
  Chain: TList;
  Wanted: TStringList;
  C: TClass;
  K, G, I, Index, Number: Integer;
  Path, Text: string;
  Saved: TvDesigned;
begin
  Root := Owner;
  if (Root = nil) or (csDesigning in ComponentState) or
    (csDestroying in Root.ComponentState) or (Responsible <> Self) then
    Exit;
  Inc(FApplyCount);
  Chain := TList.Create;
  Wanted := TStringList.Create;
  try
    { path -> string number, a descendant's group over its ancestors' }
    Wanted.Sorted := True;
    C := Root.ClassType;
    while (C <> nil) and (C <> TComponent) do
    begin
      Chain.Insert(0, C);
      C := C.ClassParent;
    end;
    for K := 0 to Chain.Count - 1 do
    begin
      G := LangFindGroup(TClass(Chain[K]).ClassName, 0);
      while G >= 0 do
      begin
        for I := 0 to LangGroupItemCount(G) - 1 do
        begin
          Path := LangGroupItemText(G, I);
          Number := LangGroupItemValue(G, I);
          if Wanted.Find(Path, Index) then
            Wanted.Objects[Index] := TObject(PtrInt(Number))
          else
            Wanted.AddObject(Path, TObject(PtrInt(Number)));
        end;
        G := LangFindGroup(TClass(Chain[K]).ClassName, G + 1);
      end;
    end;

    for I := 0 to FDesigned.Count - 1 do
    begin
      Saved := TvDesigned(FDesigned.Objects[I]);
      try
        { A text that is no longer the one set last was set by someone
          else (the stream of a descendant form, the program): it is the
          designed text from now on. }
        if PathText(Root, FDesigned[I], False, Text) and (Text <> Saved.Applied) then
        begin
          Saved.Text := Text;
          Saved.Applied := Text;
        end;
        { A path that now has no string gets its design back. }
        if not Wanted.Find(FDesigned[I], Index) or
          not LangStrExists(Integer(PtrInt(Wanted.Objects[Index]))) then
        begin
          Text := Saved.Text;
          if PathText(Root, FDesigned[I], True, Text) then
            PathText(Root, FDesigned[I], False, Saved.Applied);
        end;
      except
        on Exception do ;  { a setter that refuses the text: keep going }
      end;
    end;

    for I := 0 to Wanted.Count - 1 do
    begin
      Number := Integer(PtrInt(Wanted.Objects[I]));
      if not LangStrExists(Number) then
        Continue;
      try
        if FDesigned.Find(Wanted[I], Index) then
          Saved := TvDesigned(FDesigned.Objects[Index])
        else
        begin
          if not PathText(Root, Wanted[I], False, Text) then
            Continue;
          Saved := TvDesigned.Create;
          Saved.Text := Text;
          FDesigned.AddObject(Wanted[I], Saved);
        end;
        Text := vLangRT.GetLangStr(Number);
        if PathText(Root, Wanted[I], True, Text) then
          PathText(Root, Wanted[I], False, Saved.Applied);
      except
        on Exception do ;
      end;
    end;
  finally
    Wanted.Free;
    Chain.Free;
  end;
end;

{ Sets the texts of every live TvMLang whose form is complete; a form still
  being read sets its own in Loaded. }
procedure LanguageChanged;
var
  I: Integer;
  M: TvMLang;
begin
  I := 0;
  while I < GLive.Count do
  begin
    M := TvMLang(GLive[I]);
    if not ((csLoading in M.ComponentState) or
      ((M.Owner <> nil) and (csLoading in M.Owner.ComponentState))) then
      M.ApplyNow;
    Inc(I);
  end;
end;

procedure Register;
begin
  RegisterComponents('Polyverb', [TvMLang]);
end;

initialization
  GLive := TList.Create;
  { Forms that name the class only in their stream still find it. }
  RegisterClass(TvMLang);
  AddLangChangeHandler(LanguageChanged);

finalization
  RemoveLangChangeHandler(LanguageChanged);
  GLive.Free;
  GLive := nil;

end.
