object frmAbout: TfrmAbout
  Left = 240
  Top = 160
  BorderStyle = bsDialog
  Caption = 'About'
  ClientHeight = 96
  ClientWidth = 240
  OnShow = FormShow
  object lblName: TLabel
    Left = 16
    Top = 16
    Caption = 'Corner Shop'
  end
  object btnClose: TButton
    Left = 80
    Top = 56
    Caption = 'Close'
    ModalResult = 1
  end
end
