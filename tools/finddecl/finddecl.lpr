{ Asks the Lazarus code tools where each name of a list is declared, so that
  the code browser's links can be compared with an IDE's "find declaration".

  finddecl DIR... < positions
    DIR       folders searched for units and include files (not recursive)
  Each input line is FILE<TAB>LINE<TAB>COLUMN (1-based, columns in bytes).
  Each output line repeats it, then <TAB>DECLFILE<TAB>LINE<TAB>COLUMN, or
  <TAB>- when the code tools find nothing, <TAB>~ when the place lies in code
  the scanner skipped (an inactive branch), or <TAB>! and their message. }
program finddecl;

{$mode objfpc}{$H+}

uses
  SysUtils, CodeCache, CodeToolManager, CodeToolsConfig, DefineTemplates,
  FindDeclarationTool, LazFileUtils;

var
  Options: TCodeToolsOptions;
  SearchPath: string = '';
  // A declared name answers with its own place, a unit name with its source.
  Flags: TFindSmartFlags = [fsfIncludeDirective, fsfSkipClassForward,
    fsfFindMainDeclaration, fsfSearchSourceName];
  Index: Integer;

procedure AddSearchPath(const Paths: string);
var
  Root: TDefineTemplate;
begin
  // One template at the file system's root reaches every file asked about.
  Root := TDefineTemplate.Create('finddecl', 'search paths', '', '/',
    da_Directory);
  Root.AddChild(TDefineTemplate.Create('units', 'unit path',
    UnitPathMacroName, UnitPathMacro + ';' + Paths, da_DefineRecurse));
  Root.AddChild(TDefineTemplate.Create('includes', 'include path',
    IncludePathMacroName, IncludePathMacro + ';' + Paths, da_DefineRecurse));
  CodeToolBoss.DefineTree.Add(Root);
end;

// The scanner keeps an inactive branch in its cleaned source as a comment
// opened by '{'#3 and closed by #3'}'; the branches of the last source asked
// about are kept, as most questions come in runs on one source.
var
  SkippedOf: string = '';
  Skipped: array of Integer; // start, end, start, end... in cleaned positions

function InSkippedCode(const Src: string; CleanPos: Integer): Boolean;
var
  P, Count: Integer;
begin
  if Pointer(Src) <> Pointer(SkippedOf) then
  begin
    SkippedOf := Src;
    Count := 0;
    SetLength(Skipped, 0);
    for P := 2 to Length(Src) do
      if (Src[P] = #3) and ((Src[P - 1] = '{') = not Odd(Count)) then
      begin
        Inc(Count);
        SetLength(Skipped, Count);
        Skipped[Count - 1] := P;
      end;
  end;
  Result := False;
  P := 0;
  while P + 1 < Length(Skipped) do
  begin
    if (CleanPos > Skipped[P]) and (CleanPos < Skipped[P + 1]) then
      Exit(True);
    Inc(P, 2);
  end;
  Result := Odd(Length(Skipped)) and (CleanPos > Skipped[High(Skipped)]);
end;

procedure Answer(const Line: string);
var
  Parts: TStringArray;
  Code, NewCode: TCodeBuffer;
  X, Y, NewX, NewY, NewTop, BlockTop, BlockBottom: Integer;
  Found: Boolean;
  Tool: TCodeTool;
  CleanPos: Integer;
begin
  Parts := Line.Split([#9]);
  if Length(Parts) < 3 then
    Exit;
  Y := StrToIntDef(Parts[1], 0);
  X := StrToIntDef(Parts[2], 0);
  Write(Parts[0], #9, Y, #9, X, #9);
  Code := CodeToolBoss.LoadFile(CleanAndExpandFilename(Parts[0]), True, False);
  if Code = nil then
  begin
    WriteLn('!cannot read');
    Exit;
  end;
  try
    if CodeToolBoss.Explore(Code, Tool, False) and
      ((Tool.CaretToCleanPos(CodeXYPosition(X, Y, Code), CleanPos) <> 0) or
      InSkippedCode(Tool.Src, CleanPos)) then
    begin
      WriteLn('~');
      Exit;
    end;
    Found := CodeToolBoss.FindDeclaration(Code, X, Y, NewCode, NewX, NewY,
      NewTop, BlockTop, BlockBottom, Flags);
  except
    on E: Exception do
    begin
      WriteLn('!', StringReplace(E.Message, #10, ' ', [rfReplaceAll]));
      Exit;
    end;
  end;
  if Found and (NewCode <> nil) then
    WriteLn(NewCode.Filename, #9, NewY, #9, NewX)
  else if CodeToolBoss.ErrorMessage <> '' then
    WriteLn('!', StringReplace(CodeToolBoss.ErrorMessage, #10, ' ',
      [rfReplaceAll]))
  else
    WriteLn('-');
end;

var
  Line: string;
begin
  for Index := 1 to ParamCount do
  begin
    if SearchPath <> '' then
      SearchPath := SearchPath + ';';
    SearchPath := SearchPath + CleanAndExpandDirectory(ParamStr(Index));
  end;
  Options := TCodeToolsOptions.Create;
  try
    Options.InitWithEnvironmentVariables;
    if Options.FPCSrcDir = '' then
      Options.FPCSrcDir := '/usr/share/fpcsrc/3.2.2';
    if Options.FPCPath = '' then
      Options.FPCPath := '/usr/bin/fpc';
    Options.ProjectDir := GetCurrentDir + '/';
    CodeToolBoss.Init(Options);
    AddSearchPath(SearchPath);
    while not EOF(Input) do
    begin
      ReadLn(Line);
      Answer(Line);
      Flush(Output);
    end;
  finally
    Options.Free;
  end;
end.
