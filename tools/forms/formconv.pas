program formconv;
{$mode objfpc}{$H+}
uses Classes, SysUtils;
var
  Input, Output: TFileStream;
begin
  if ParamCount <> 3 then
  begin
    WriteLn(StdErr, 'usage: formconv tobin|totext INPUT OUTPUT');
    Halt(2);
  end;
  Input := TFileStream.Create(ParamStr(2), fmOpenRead);
  Output := TFileStream.Create(ParamStr(3), fmCreate);
  try
    if ParamStr(1) = 'tobin' then
      ObjectTextToBinary(Input, Output)
    else
      ObjectBinaryToText(Input, Output);
  finally
    Output.Free;
    Input.Free;
  end;
end.
