program P; begin
'abc
X('ok');
end.ÿ