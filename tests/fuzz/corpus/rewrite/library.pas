library L;
begin
  ShowMessage('Hi');
end.
ÿ