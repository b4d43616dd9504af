program streamforms;

{ Streams the converted form files Base.dfm and Child.dfm of the current
  directory with Free Pascal's Classes (no widget set), the child's over the
  base's, as a program built from them would: once inside global loading
  (as the LCL and Delphi read an inherited form) and once level by level
  (plain ReadComponent per level, Free Pascal's default). Prints each
  form's texts as streamed (English, the forms' default), after
  LoadLanguage('French'), and for forms streamed while French is loaded
  (where a level read after the texts were set must not bring back the
  designed English ones):

    global English: Caption|lblTitle|lblFooter|btnOk
    levels English: ...
    global French: ...
    levels French: ...
    global French, streamed: ...
    levels French, streamed: ...

  A duplicate component name or any other failure is printed and exits 1. }

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
  TForm = class(TComponent)
  private
    FCaption: string;
  published
    property Caption: string read FCaption write FCaption;
  end;
  TfrmBase = class(TForm);
  TfrmChild = class(TfrmBase);

function ReadText(const FileName: string): string;
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

procedure ReadLevel(Form: TComponent; const FileName: string);
var
  Text, Bin: TStringStream;
begin
  Text := TStringStream.Create(ReadText(FileName));
  Bin := TStringStream.Create('');
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
  begin
    BeginGlobalLoading;
    try
      ReadLevel(Result, 'Base.dfm');
      ReadLevel(Result, 'Child.dfm');
      NotifyGlobalLoading;
    finally
      EndGlobalLoading;
    end;
  end
  else
  begin
    ReadLevel(Result, 'Base.dfm');
    ReadLevel(Result, 'Child.dfm');
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
