object  frmOdd :TfrmOdd   

	Left=1 Top =2
  Caption='Odd'  

  object lbl1: TLabel	Caption = 'x' end object lbl2: TLabel
  end  

end

