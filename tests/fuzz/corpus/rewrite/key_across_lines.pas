program P; begin T.FieldByName(
'Name'); end.ÿ