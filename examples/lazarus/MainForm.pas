unit MainForm;

{$mode objfpc}{$H+}

interface

uses
  Classes, SysUtils, Forms, Controls, StdCtrls, ExtCtrls;

type

  { TfrmMain }

  TfrmMain = class(TForm)
    btnBuy: TButton;
    lblMessage: TLabel;
    lblTotal: TLabel;
    lblWelcome: TLabel;
    lbFruit: TListBox;
    tmrReport: TTimer;
    procedure btnBuyClick(Sender: TObject);
    procedure FormCreate(Sender: TObject);
    procedure tmrReportTimer(Sender: TObject);
  private
    FTicks: Integer;
  end;

var
  frmMain: TfrmMain;

implementation

uses
  Graphics, LCLIntf, LCLType, AboutForm, ShopText;

{$R *.lfm}

const
  { Set to a file name, the program saves a picture of its two forms there
    (PNG) before it prints their texts: the picture in the README. }
  ScreenshotVariable = 'SHOP_SCREENSHOT';

{ Prints every text a person sees on F, one per line: the caption, then
  labels, buttons and list items in the order of the form's components. }
procedure PrintForm(F: TForm);
var
  I, J: Integer;
  C: TComponent;
begin
  WriteLn(F.Caption);
  for I := 0 to F.ComponentCount - 1 do
  begin
    C := F.Components[I];
    if C is TLabel then
      WriteLn(TLabel(C).Caption)
    else if C is TButton then
      WriteLn(TButton(C).Caption)
    else if C is TListBox then
      for J := 0 to TListBox(C).Items.Count - 1 do
        WriteLn(TListBox(C).Items[J]);
  end;
end;

{ The client area of F in screen coordinates. }
function ScreenArea(F: TForm): TRect;
begin
  Result.TopLeft := F.ClientToScreen(Point(0, 0));
  Result.BottomRight := F.ClientToScreen(Point(F.ClientWidth, F.ClientHeight));
end;

{ Saves the part of the screen that Area covers as a PNG file. }
procedure SaveScreenshot(const FileName: string; const Area: TRect);
var
  Desktop: TBitmap;
  Picture: TPortableNetworkGraphic;
  DC: HDC;
begin
  Desktop := TBitmap.Create;
  Picture := TPortableNetworkGraphic.Create;
  DC := GetDC(0);
  try
    Desktop.LoadFromDevice(DC);
    Picture.SetSize(Area.Right - Area.Left, Area.Bottom - Area.Top);
    Picture.Canvas.CopyRect(Rect(0, 0, Picture.Width, Picture.Height),
      Desktop.Canvas, Area);
    Picture.SaveToFile(FileName);
  finally
    ReleaseDC(0, DC);
    Picture.Free;
    Desktop.Free;
  end;
end;

{ TfrmMain }

procedure TfrmMain.FormCreate(Sender: TObject);
begin
  lblTotal.Caption := 'Total: ' + IntToStr(lbFruit.Items.Count) + ' kinds of fruit';
  lblMessage.Caption := BasketMessage(0);
end;

procedure TfrmMain.btnBuyClick(Sender: TObject);
begin
  lblMessage.Caption := BasketMessage(1);
end;

{ First tick: show the other form; second tick: print both forms' texts
  and end, so that a run takes about two seconds. }
procedure TfrmMain.tmrReportTimer(Sender: TObject);
var
  Area: TRect;
begin
  Inc(FTicks);
  if FTicks = 1 then
  begin
    frmAbout.Show;
    Exit;
  end;
  tmrReport.Enabled := False;
  if GetEnvironmentVariable(ScreenshotVariable) <> '' then
  begin
    { Both windows where they are on the screen, with their title bars. }
    UnionRect(Area, ScreenArea(Self), ScreenArea(frmAbout));
    InflateRect(Area, 16, 16);
    Dec(Area.Top, 24);
    SaveScreenshot(GetEnvironmentVariable(ScreenshotVariable), Area);
  end;
  PrintForm(Self);
  PrintForm(frmAbout);
  PrintGoodbye;
  Flush(Output);
  { Closing the main form ends the program. }
  Close;
end;

end.
