object frmInvoice: TfrmInvoice
  Left = 0
  Top = 0
  Caption = 'Invoice'
  inline fraAddress: TfraAddress
    Left = 8
    Top = 8
    TabOrder = 0
    inherited edStreet: TEdit
      Text = 'Main Street'
    end
    inherited edCity: TEdit
      Text = ''
    end
    object lblNote: TLabel
      Caption = 'frame-owned'
    end
  end
  object btnPrint: TButton
    Left = 8
    Top = 120
    Caption = 'Print'
  end
end
