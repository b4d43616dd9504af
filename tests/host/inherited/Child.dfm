inherited frmChild: TfrmChild
  Caption = 'Child window'
  inherited lblTitle: TLabel
    Caption = 'Child title'
  end
  object btnOk: TButton
    Caption = 'OK'
  end
end
