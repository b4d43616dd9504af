inherited frmCustomerEdit: TfrmCustomerEdit
  Caption = 'Customer'
  ClientHeight = 312
  PixelsPerInch = 96
  TextHeight = 13
  inherited pnlButtons: TPanel
    Top = 271
    inherited btnOK: TButton [0]
      Left = 240
    end
    inherited btnCancel: TButton [1]
    end
    object btnHelp: TButton
      Left = 8
      Top = 8
      Caption = '&Help'
      TabOrder = 2
    end
  end
  object edName: TEdit [2]
    Left = 96
    Top = 16
    TabOrder = 1
  end
end
