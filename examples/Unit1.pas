unit Unit1;

{$WARN SYMBOL_PLATFORM OFF}

interface

uses
  Windows, Messages, SysUtils, Classes, Graphics, Controls, Forms, Dialogs,
  StdCtrls, ExtCtrls;

const
  MaxClicks = 100;
  DefaultColor = $00FF8000;   // оранжевый (BGR)
  Greeting = 'Привет, мир!';

type
  TMainForm = class(TForm)
    btnStart: TButton;
    lblInfo: TLabel;
    Timer1: TTimer;
    procedure FormCreate(Sender: TObject);
    procedure btnStartClick(Sender: TObject);
    procedure Timer1Timer(Sender: TObject);
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
    Result := Format('%d%% of %s', [FCount * 100 div MaxClicks, AName]);
end;

procedure TMainForm.FormCreate(Sender: TObject);
begin
  FCount := 0;
  FRatio := 1.5e3 / $FF;
  Color := DefaultColor and $FFFFFF;
  Caption := Greeting + ' ''Unit1''';
  Timer1.Interval := 1000; { раз в секунду }
end;

procedure TMainForm.btnStartClick(Sender: TObject);
var
  i: Integer;
begin
  for i := 0 to 9 do
    Inc(FCount);
  {
    многострочный комментарий:
    begin end здесь не ключевые слова
  } lblInfo.Caption := Describe('x');
  if FCount >= MaxClicks then
    ShowMessage('Достаточно!'#13#10'Счётчик: ' + IntToStr(FCount));
  Self.Caption:=lblInfo.Caption;
end;

procedure TMainForm.Timer1Timer(Sender: TObject);
begin
  {$IFDEF DEBUG}
  OutputDebugString(PChar('tick ' + FloatToStr(FRatio)));
  {$ENDIF}
  lblInfo.Hint := TimeToStr(Now);
end;

initialization
  RegisterClass(TMainForm);
finalization
end.
