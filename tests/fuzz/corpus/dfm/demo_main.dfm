object frmMain: TfrmMain
  Left = 200
  Top = 120
  Caption = 'Corner Shop'
  ClientHeight = 160
  ClientWidth = 320
  object lblTotal: TLabel
    Left = 16
    Top = 16
    Caption = 'Items in the basket: 0'
  end
  object btnAdd: TButton
    Left = 16
    Top = 48
    Caption = '&Add an item'
    OnClick = btnAddClick
  end
  object btnAbout: TButton
    Left = 16
    Top = 88
    Caption = 'A&bout...'
    OnClick = btnAboutClick
  end
end
