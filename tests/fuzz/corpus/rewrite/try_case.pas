unit U; interface implementation
procedure P; var S: string;
begin
  try S := 'Try'; except S := 'Except'; end;
  case S of 'A': begin S := 'Nested'; end; end;
end;
const SAfter = 'After';
initialization
  S := 'Init';
end.
ÿ