unit Main;

interface

uses
  SysUtils, Classes, Forms, Controls, StdCtrls, Dialogs;

type
  TfrmMain = class(TForm)
    lblTotal: TLabel;
    btnAdd: TButton;
    btnAbout: TButton;
    procedure btnAddClick(Sender: TObject);
    procedure btnAboutClick(Sender: TObject);
  private
    FCount: Integer;
  end;

var
  frmMain: TfrmMain;

implementation

uses About, Prices;

{$R *.dfm}

const
  SIniSection = 'Window';  { settings key: never shown, never translated }

procedure TfrmMain.btnAddClick(Sender: TObject);
begin
  Inc(FCount);
  lblTotal.Caption := 'Items in the basket: ' + IntToStr(FCount);
  if FCount > 9 then
    ShowMessage('That''s a lot of shopping!');
end;

procedure TfrmMain.btnAboutClick(Sender: TObject);
begin
  try
    frmAbout.ShowModal;
  except
    on E: Exception do
      MessageDlg('Cannot show the About box: ' + E.Message, mtError, [mbOK], 0);
  end;
end;

end.
