unit About;

interface

uses
  Classes, Forms, Controls, StdCtrls;

type
  TfrmAbout = class(TForm)
    lblName: TLabel;
    btnClose: TButton;
    procedure FormShow(Sender: TObject);
  end;

var
  frmAbout: TfrmAbout;

implementation

{$R *.dfm}

procedure TfrmAbout.FormShow(Sender: TObject);
begin
  lblName.Caption := 'Corner Shop, version 1.0';
  Caption := 'About';
end;

end.
