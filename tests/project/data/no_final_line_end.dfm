object frmShort: TfrmShort
  Caption = 'x'
end