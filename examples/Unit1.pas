unit Unit1;

{$mode delphi}{$H+}

interface

uses
  Windows, Messages, SysUtils, Classes, Graphics, Controls, Forms, Dialogs,
  StdCtrls, ExtCtrls;

type
  TMainForm = class(TForm)
    btnStart: TButton;
    lblInfo: TLabel;
    procedure btnStartClick(Sender: TObject);
  private
    FCount: Integer;   // счётчик нажатий
    FRatio: Double;
    function Describe(const AName: string): string;
  public
    property Count: Integer read FCount write FCount;
  end;

var
  MainForm: TMainForm;

implementation

{$R *.dfm}

(* Сравнение: если a<b и b>c, то a&b не важно *)
function TMainForm.Describe(const AName: string): string;
begin
  if (FCount > 10) and (AName <> '') then
    Result := 'Имя: ' + AName + #13#10 + 'It''s ' + IntToStr(FCount)
  else
    Result := Format('%d%%', [$FF + 1.5e3]);
end;

procedure TMainForm.btnStartClick(Sender: TObject);
var
  i: Integer;
begin
  for i := 0 to 9 do
    Inc(FCount);
  {
    многострочный комментарий
    begin end
  } lblInfo.Caption := Describe('x');
  Self.Caption:=lblInfo.Caption;
end;

initialization
  RegisterClass(TMainForm);
finalization
end.
