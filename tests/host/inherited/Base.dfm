object frmBase: TfrmBase
  Caption = 'Base window'
  object lblTitle: TLabel
    Caption = 'Title'
  end
  object lblFooter: TLabel
    Caption = 'Footer'
  end
end
