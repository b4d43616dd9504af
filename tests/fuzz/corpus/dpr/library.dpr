library Lib(Input, Output);
uses A in 'It''s.pas' // c
 , B;
begin end.