program formtotext;

{ Prints a binary form file as text, as Free Pascal's Classes converts it
  (ObjectBinaryToText): an independent reader for the binary form writer's
  tests. A 16-bit resource header in front of the TPF0 stream (FF 0A 00, a
  zero-terminated name or FF and an ordinal, 2 bytes of flags, 4 of size) is
  skipped; Free Pascal's converter does not read it.

  Usage: formtotext FILE
  Exits 1 with a message when the file cannot be read or converted. }

{$mode objfpc}{$H+}

uses
  SysUtils, Classes;

var
  Input: TFileStream;
  Output: THandleStream;
  B: Byte;
  Flags: Word;
  Size: LongWord;
begin
  if ParamCount <> 1 then
  begin
    WriteLn(StdErr, 'usage: formtotext FILE');
    Halt(2);
  end;
  Input := nil;
  Output := THandleStream.Create(StdOutputHandle);
  try
    try
      Input := TFileStream.Create(ParamStr(1), fmOpenRead or fmShareDenyNone);
      if (Input.Size >= 3) and (Input.ReadByte = $FF) and (Input.ReadByte = $0A) and
        (Input.ReadByte = 0) then
      begin
        B := Input.ReadByte;
        if B = $FF then
          Input.ReadWord
        else
          while B <> 0 do
            B := Input.ReadByte;
        Input.ReadBuffer(Flags, SizeOf(Flags));
        Input.ReadBuffer(Size, SizeOf(Size));
      end
      else
        Input.Position := 0;
      ObjectBinaryToText(Input, Output);
    except
      on E: Exception do
      begin
        WriteLn(StdErr, 'formtotext: ', ParamStr(1), ': ', E.Message);
        Halt(1);
      end;
    end;
  finally
    Input.Free;
    Output.Free;
  end;
end.
