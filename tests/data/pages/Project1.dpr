program Project1;

uses
  Forms,
  MainUnit in 'MainUnit.pas' {MainForm};

{$R *.res}

begin
  Application.Initialize; // «запуск» — ✓
  Application.CreateForm(TMainForm, MainForm);
  Application.Run;
end.
