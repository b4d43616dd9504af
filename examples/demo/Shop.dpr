program Shop;

uses
  Forms,
  vMLang,
  Main in 'Main.pas' {frmMain},
  About in 'About.pas' {frmAbout},
  Prices in 'Prices.pas';

{$R *.res}

begin
  Application.Initialize;
  Application.Title := 'Corner Shop';
  Application.CreateForm(TfrmMain, frmMain);
  Application.Run;
end.
