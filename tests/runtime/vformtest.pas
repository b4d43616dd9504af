program vformtest;

{ Tests that TvMLang sets form texts from the language file's property
  groups. The forms are text form streams read into registered test classes
  (Classes only, no widget set), as the LCL reads .lfm resources: a form of
  one level, and a form inheriting from another (child stream read over the
  base stream, inside global loading and, without it, with the TvMLang named
  in the child stream).

  Usage:
    vformtest make DIR   writes DIR/english.lng: the forms' texts with their
                         property groups (french.lng is made from it with
                         `polyverb lng export` and `polyverb lng import`)
    vformtest run DIR    copies DIR/english.lng and DIR/french.lng to the
                         current directory and runs the checks (run with
                         POLYVERB_LANG unset)
  Prints FAIL lines and exits 1 when a check fails. }

{$H+}

uses
{$IFDEF VLANG_HEAPCHECK}
  heaptrc,
{$ENDIF}
  SysUtils, Classes, vLangRT, vMLang, lngbuild;

type
  TTestLabel = class(TComponent)
  private
    FCaption, FHint: string;
  published
    property Caption: string read FCaption write FCaption;
    property Hint: string read FHint write FHint;
  end;

  TTestList = class(TComponent)
  private
    FItems: TStrings;
    procedure SetItems(Value: TStrings);
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
  published
    property Items: TStrings read FItems write SetItems;
  end;

  { Like a labelled edit's EditLabel: a nested object, not a component. }
  TTestBoundLabel = class(TPersistent)
  private
    FCaption: string;
  published
    property Caption: string read FCaption write FCaption;
  end;

  TTestEdit = class(TComponent)
  private
    FEditLabel: TTestBoundLabel;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
  published
    property EditLabel: TTestBoundLabel read FEditLabel;
  end;

  TTestPanel = class(TCollectionItem)
  private
    FText: string;
  published
    property Text: string read FText write FText;
  end;

  TTestBar = class(TComponent)
  private
    FPanels: TCollection;
    procedure SetPanels(Value: TCollection);
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
  published
    property Panels: TCollection read FPanels write SetPanels;
  end;

  { Owns the components streamed inside it, as an inline frame does. }
  TTestFrame = class(TComponent)
  protected
    function GetChildOwner: TComponent; override;
  end;

  TTestForm = class(TComponent)
  private
    FCaption, FHint: string;
  published
    property Caption: string read FCaption write FCaption;
    property Hint: string read FHint write FHint;
  end;

  TfrmMain = class(TTestForm);
  TfrmBase = class(TTestForm);
  TfrmChild = class(TfrmBase);

constructor TTestList.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  FItems := TStringList.Create;
end;

destructor TTestList.Destroy;
begin
  FItems.Free;
  inherited Destroy;
end;

procedure TTestList.SetItems(Value: TStrings);
begin
  FItems.Assign(Value);
end;

constructor TTestEdit.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  FEditLabel := TTestBoundLabel.Create;
end;

destructor TTestEdit.Destroy;
begin
  FEditLabel.Free;
  inherited Destroy;
end;

constructor TTestBar.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  FPanels := TCollection.Create(TTestPanel);
end;

destructor TTestBar.Destroy;
begin
  FPanels.Free;
  inherited Destroy;
end;

procedure TTestBar.SetPanels(Value: TCollection);
begin
  FPanels.Assign(Value);
end;

function TTestFrame.GetChildOwner: TComponent;
begin
  Result := Self;
end;

const
  MainForm =
    'object frmMain: TfrmMain'#10 +
    '  Caption = ''Shop'''#10 +
    '  Hint = ''The main window'''#10 +
    '  object lblTotal: TTestLabel'#10 +
    '    Caption = ''Total'''#10 +
    '    Hint = ''Sum of all items'''#10 +
    '  end'#10 +
    '  object lblKeep: TTestLabel'#10 +
    '    Caption = ''Not translated'''#10 +
    '  end'#10 +
    '  object lbFruit: TTestList'#10 +
    '    Items.Strings = ('#10 +
    '      ''Apple'''#10 +
    '      ''Pear'''#10 +
    '      ''Plum'')'#10 +
    '  end'#10 +
    '  object edName: TTestEdit'#10 +
    '    EditLabel.Caption = ''Name'''#10 +
    '  end'#10 +
    '  object StatusBar1: TTestBar'#10 +
    '    Panels = <'#10 +
    '      item'#10 +
    '        Text = ''Ready'''#10 +
    '      end'#10 +
    '      item'#10 +
    '        Text = ''Online'''#10 +
    '      end>'#10 +
    '  end'#10 +
    '  object frmOptions1: TTestFrame'#10 +
    '    object lblTitle: TTestLabel'#10 +
    '      Caption = ''Options'''#10 +
    '    end'#10 +
    '  end'#10 +
    '  object vMLang1: TvMLang'#10 +
    '    LangFileName = ''English'''#10 +
    '  end'#10 +
    'end'#10;

  BaseForm =
    'object frmBase: TfrmBase'#10 +
    '  Caption = ''Base window'''#10 +
    '  object lblTitle: TTestLabel'#10 +
    '    Caption = ''Title'''#10 +
    '  end'#10 +
    '  object lblFooter: TTestLabel'#10 +
    '    Caption = ''Footer'''#10 +
    '  end'#10 +
    '  object vMLang1: TvMLang'#10 +
    '    LangFileName = ''English'''#10 +
    '  end'#10 +
    'end'#10;

  { What a form designer writes for a descendant: only what differs. }
  ChildForm =
    'inherited frmChild: TfrmChild'#10 +
    '  Caption = ''Child window'''#10 +
    '  inherited lblTitle: TTestLabel'#10 +
    '    Caption = ''Child title'''#10 +
    '  end'#10 +
    '  object btnOk: TTestLabel'#10 +
    '    Caption = ''OK'''#10 +
    '  end'#10 +
    'end'#10;

{ english.lng: the designed texts under their numbers, and the groups. Item
  and group names in odd letter case check that case does not matter; three
  items lead nowhere (a component gone, a collection index past the end)
  or name a number the file lacks. }
procedure MakeEnglish(const Dir: string);
var
  B: TLngBuilder;
begin
  B := TLngBuilder.Create('2.00');
  try
    B.AddText(1, 0, 'Shop');
    B.AddText(2, 0, 'The main window');
    B.AddText(3, 0, 'Total');
    B.AddText(4, 0, 'Sum of all items');
    B.AddText(5, 0, 'Apple'#13#10'Pear'#13#10'Plum');
    B.AddText(6, 0, 'Name');
    B.AddText(7, 0, 'Ready');
    B.AddText(8, 0, 'Online');
    B.AddText(9, 0, 'Options');
    B.AddText(10, 0, 'Gone');
    B.AddText(20, 0, 'Base window');
    B.AddText(21, 0, 'Title');
    B.AddText(22, 0, 'Footer');
    B.AddText(23, 0, 'Child window');
    B.AddText(24, 0, 'Child title');
    B.AddText(25, 0, 'OK');
    B.AddGroup('TfrmMain');
    B.AddItem('Caption', 1);
    B.AddItem('Hint', 2);
    B.AddItem('lblTotal.Caption', 3);
    B.AddItem('LBLTOTAL.hint', 4);
    B.AddItem('lbFruit.Items', 5);
    B.AddItem('edName.EditLabel.Caption', 6);
    B.AddItem('StatusBar1.Panels[0].Text', 7);
    B.AddItem('StatusBar1.Panels[1].Text', 8);
    B.AddItem('frmOptions1.lblTitle.Caption', 9);
    B.AddItem('lblGone.Caption', 10);
    B.AddItem('StatusBar1.Panels[2].Text', 10);
    B.AddItem('lblKeep.Caption', 999);
    B.AddGroup('TFRMBASE');
    B.AddItem('Caption', 20);
    B.AddItem('lblTitle.Caption', 21);
    B.AddItem('lblFooter.Caption', 22);
    B.AddGroup('TfrmChild');
    B.AddItem('Caption', 23);
    B.AddItem('lblTitle.Caption', 24);
    B.AddItem('btnOk.Caption', 25);
    WriteBytes(IncludeTrailingPathDelimiter(Dir) + 'english.lng', B.Bytes);
  finally
    B.Free;
  end;
end;

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

procedure CheckStr(const Got, Want, What: string);
begin
  Check(Got = Want, What + ': got ''' + Got + ''', want ''' + Want + '''');
end;

function ReadBytes(const FileName: string): string;
var
  S: TFileStream;
begin
  S := TFileStream.Create(FileName, fmOpenRead);
  try
    SetLength(Result, S.Size);
    if S.Size > 0 then
      S.ReadBuffer(Result[1], S.Size);
  finally
    S.Free;
  end;
end;

{ Reads one level of a form from its text form into Form. }
procedure ReadLevel(Form: TComponent; const Src: string);
var
  Text, Bin: TMemoryStream;
begin
  Text := TMemoryStream.Create;
  Bin := TMemoryStream.Create;
  try
    Text.WriteBuffer(Src[1], Length(Src));
    Text.Position := 0;
    ObjectTextToBinary(Text, Bin);
    Bin.Position := 0;
    Bin.ReadComponent(Form);
  finally
    Bin.Free;
    Text.Free;
  end;
end;

function NewMain: TfrmMain;
begin
  Result := TfrmMain.Create(nil);
  ReadLevel(Result, MainForm);
end;

{ Reads base and child level the way the LCL reads an inherited form: one
  global loading around both, so Loaded runs once, after the last level. }
function NewChildGlobal: TfrmChild;
begin
  Result := TfrmChild.Create(nil);
  BeginGlobalLoading;
  try
    ReadLevel(Result, BaseForm);
    ReadLevel(Result, ChildForm);
    NotifyGlobalLoading;
  finally
    EndGlobalLoading;
  end;
end;

{ Each level on its own (Loaded after each, only for the components the
  level names): the child stream names the inherited TvMLang. }
function NewChildLevels: TfrmChild;
begin
  Result := TfrmChild.Create(nil);
  ReadLevel(Result, BaseForm);
  ReadLevel(Result, StringReplace(ChildForm, #10'end'#10,
    #10'  inherited vMLang1: TvMLang'#10'  end'#10'end'#10, []));
end;

function Lbl(Owner: TComponent; const Name: string): TTestLabel;
begin
  Result := Owner.FindComponent(Name) as TTestLabel;
end;

type
  TMainTexts = record
    Caption, Hint, Total, TotalHint, Fruit, EditLabel, Panel0, Panel1, Options: string;
  end;
  TChildTexts = record
    Caption, Title, Footer, Ok: string;
  end;

var
  EnglishMain, FrenchMain: TMainTexts;
  EnglishChild, FrenchChild: TChildTexts;

procedure CheckMain(F: TfrmMain; const W: TMainTexts);
var
  Bar: TTestBar;
begin
  CheckStr(F.Caption, W.Caption, 'form Caption');
  CheckStr(F.Hint, W.Hint, 'form Hint');
  CheckStr(Lbl(F, 'lblTotal').Caption, W.Total, 'lblTotal.Caption');
  CheckStr(Lbl(F, 'lblTotal').Hint, W.TotalHint, 'lblTotal.Hint (item in other case)');
  CheckStr((F.FindComponent('lbFruit') as TTestList).Items.Text, W.Fruit, 'lbFruit.Items');
  CheckStr((F.FindComponent('edName') as TTestEdit).EditLabel.Caption, W.EditLabel,
    'edName.EditLabel.Caption');
  Bar := F.FindComponent('StatusBar1') as TTestBar;
  CheckStr(TTestPanel(Bar.Panels.Items[0]).Text, W.Panel0, 'StatusBar1.Panels[0].Text');
  CheckStr(TTestPanel(Bar.Panels.Items[1]).Text, W.Panel1, 'StatusBar1.Panels[1].Text');
  CheckStr(Lbl(F.FindComponent('frmOptions1'), 'lblTitle').Caption, W.Options,
    'frmOptions1.lblTitle.Caption');
  CheckStr(Lbl(F, 'lblKeep').Caption, 'Not translated', 'number missing from the file');
end;

procedure CheckChild(F: TfrmChild; const W: TChildTexts);
begin
  CheckStr(F.Caption, W.Caption, 'child Caption');
  CheckStr(Lbl(F, 'lblTitle').Caption, W.Title, 'lblTitle.Caption, child over base');
  CheckStr(Lbl(F, 'lblFooter').Caption, W.Footer, 'lblFooter.Caption, from the base group');
  CheckStr(Lbl(F, 'btnOk').Caption, W.Ok, 'btnOk.Caption, the child''s own');
end;

procedure SetExpected;
begin
  with EnglishMain do
  begin
    Caption := 'Shop'; Hint := 'The main window'; Total := 'Total';
    TotalHint := 'Sum of all items'; Fruit := 'Apple'#10'Pear'#10'Plum'#10;
    EditLabel := 'Name'; Panel0 := 'Ready'; Panel1 := 'Online'; Options := 'Options';
  end;
  with FrenchMain do
  begin
    Caption := 'Boutique'; Hint := 'La fen'#$C3#$AA'tre principale'; Total := 'Total TTC';
    TotalHint := 'Somme de tous les articles'; Fruit := 'Pomme'#10'Poire'#10'Prune'#10;
    EditLabel := 'Nom'; Panel0 := 'Pr'#$C3#$AA't'; Panel1 := 'En ligne'; Options := 'R'#$C3#$A9'glages';
  end;
  with EnglishChild do
  begin
    Caption := 'Child window'; Title := 'Child title'; Footer := 'Footer'; Ok := 'OK';
  end;
  with FrenchChild do
  begin
    Caption := 'Fen'#$C3#$AA'tre fille'; Title := 'Titre de la fille';
    Footer := 'Pied de page'; Ok := 'D''accord';
  end;
end;

procedure Run(const Dir: string);
var
  Main, Later: TfrmMain;
  Child, Levels: TfrmChild;
  Items: TStrings;
begin
  WriteBytes('english.lng', ReadBytes(IncludeTrailingPathDelimiter(Dir) + 'english.lng'));
  WriteBytes('french.lng', ReadBytes(IncludeTrailingPathDelimiter(Dir) + 'french.lng'));
  SetExpected;
  Main := nil;
  Later := nil;
  Child := nil;
  Levels := nil;
  try
    Group := 'English from the forms';
    Main := NewMain;
    Child := NewChildGlobal;
    CheckStr(ExtractFileName(LangCurrentFile), 'english.lng', 'the forms'' default loaded');
    CheckMain(Main, EnglishMain);
    CheckChild(Child, EnglishChild);

    Group := 'French through vLangRT.LoadLanguage';
    Items := (Main.FindComponent('lbFruit') as TTestList).Items;
    Items.Objects[1] := Main;
    Check(vLangRT.LoadLanguage('French'), 'load french.lng: ' + LangLastError);
    CheckMain(Main, FrenchMain);
    CheckChild(Child, FrenchChild);
    Check(Items.Objects[1] = Main, 'items replaced one by one keep their objects');

    Group := 'forms read after the switch';
    Later := NewMain;
    CheckMain(Later, FrenchMain);
    Levels := NewChildLevels;
    CheckChild(Levels, FrenchChild);

    Group := 'no language: designed texts back';
    UnloadLanguage;
    CheckMain(Main, EnglishMain);
    CheckChild(Levels, EnglishChild);

    Group := 'French through TvMLang.Reload';
    (Main.FindComponent('vMLang1') as TvMLang).LangFileName := 'French';
    CheckMain(Later, FrenchMain);
    Check((Main.FindComponent('vMLang1') as TvMLang).Reload, 'Reload');
    CheckChild(Child, FrenchChild);

    Group := 'back to English through TvMLang.LangFileName';
    (Child.FindComponent('vMLang1') as TvMLang).LangFileName := 'English';
    CheckMain(Main, EnglishMain);
    CheckMain(Later, EnglishMain);
    CheckChild(Child, EnglishChild);
    CheckChild(Levels, EnglishChild);
  finally
    Levels.Free;
    Child.Free;
    Later.Free;
    Main.Free;
  end;

  Group := 'freed forms';
  Check(vLangRT.LoadLanguage('French'), 'a change after the forms are gone');
end;

var
  Mode: string;
begin
{$IFDEF VLANG_HEAPCHECK}
  HaltOnNotReleased := True;
{$ENDIF}
  RegisterClasses([TTestLabel, TTestList, TTestEdit, TTestBar, TTestFrame,
    TfrmMain, TfrmBase, TfrmChild]);
  Checks := 0;
  Failures := 0;
  Mode := ParamStr(1);
  if (ParamCount <> 2) or ((Mode <> 'make') and (Mode <> 'run')) then
  begin
    WriteLn('usage: vformtest make|run DIR');
    Halt(2);
  end;
  if Mode = 'make' then
  begin
    MakeEnglish(ParamStr(2));
    Exit;
  end;
  Run(ParamStr(2));
  WriteLn('forms: ', Checks, ' checks, ', Failures, ' failed');
  Mode := '';
  if (Failures > 0) or (Checks = 0) then
    Halt(1);
end.
