program streamforms;

{ Streams the converted Base.dfm and Child.dfm of the current directory with
  Free Pascal's Classes, child over base, inside global loading (as the LCL
  and Delphi read an inherited form) and level by level (plain ReadComponent,
  Free Pascal's default). Prints the child form's texts as streamed, after
  LoadLanguage('French'), and for forms streamed while French is loaded:
    global English: Caption|lblTitle|lblFooter|btnOk
  A failure (a duplicate component name...) is printed and exits 1. }

{$mode objfpc}{$H+}

uses
  SysUtils, Classes, vLangRT, vMLang;

type
  TLabel = class(TComponent)
  private
    FCaption: string;
  published
    property Caption: string read FCaption write FCaption;
  end;
  TButton = class(TLabel);
  TfrmBase = class(TLabel);
  TfrmChild = class(TfrmBase);

procedure ReadLevel(Form: TComponent; const FileName: string);
var
  Text: TFileStream;
  Bin: TMemoryStream;
begin
  Text := TFileStream.Create(FileName, fmOpenRead);
  Bin := TMemoryStream.Create;
  try
    ObjectTextToBinary(Text, Bin);
    Bin.Position := 0;
    Bin.ReadComponent(Form);
  finally
    Bin.Free;
    Text.Free;
  end;
end;

function NewChild(Global: Boolean): TfrmChild;
begin
  Result := TfrmChild.Create(nil);
  if Global then
    BeginGlobalLoading;
  try
    ReadLevel(Result, 'Base.dfm');
    ReadLevel(Result, 'Child.dfm');
    if Global then
      NotifyGlobalLoading;
  finally
    if Global then
      EndGlobalLoading;
  end;
end;

function Texts(F: TfrmChild): string;
begin
  Result := F.Caption + '|' + (F.FindComponent('lblTitle') as TLabel).Caption + '|' +
    (F.FindComponent('lblFooter') as TLabel).Caption + '|' +
    (F.FindComponent('btnOk') as TLabel).Caption;
end;

procedure Show(const Language: string);
var
  Global, Levels: TfrmChild;
begin
  Levels := nil;
  Global := NewChild(True);
  try
    Levels := NewChild(False);
    WriteLn('global ', Language, ': ', Texts(Global));
    WriteLn('levels ', Language, ': ', Texts(Levels));
    if Language = 'English' then
    begin
      if not vLangRT.LoadLanguage('French') then
        raise Exception.Create('french.lng: ' + LangLastError);
      WriteLn('global French: ', Texts(Global));
      WriteLn('levels French: ', Texts(Levels));
    end;
  finally
    Levels.Free;
    Global.Free;
  end;
end;

begin
  RegisterClasses([TLabel, TButton, TfrmBase, TfrmChild]);
  try
    Show('English');
    Show('French, streamed');
  except
    on E: Exception do
    begin
      WriteLn(E.ClassName, ': ', E.Message);
      ExitCode := 1;
    end;
  end;
end.
