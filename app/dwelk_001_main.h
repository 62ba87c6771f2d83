#pragma once
// The program's one window: the file browser, the source view, the HTML preview, the
// clipboard page and the settings pages. Each control is a field under its own name, which
// is also its Qt object name; each handler is named after its control and event.

#include "WindowSettings.h"
#include <QMainWindow>
#include <QStringList>

class QAction;
class QCheckBox;
class QComboBox;
class QElapsedTimer;
class QFileDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QSplitter;
class QTabWidget;
class QTimer;
class QToolButton;
class QUrl;
class THtmlEdit;
class TSyntaxMemo;
class TStrings;
class TWebBrowser;
struct TPageNaming;
struct TPublishChoices;
struct TSettingsFile;

// What became of one publishing, for its report.
struct TPublishReport {
    qsizetype Written = 0;
    QStringList Refused; // one reason each
    bool Stopped = false;
    double Seconds = 0;
    QString Output;
    QString Index; // the index page, when one was written
};

// One HTML fragment of the page "HTML-2" with its controls and the file that stores it.
struct TBodyFragment {
    QGroupBox* Group = nullptr;
    QFrame* Panel_Ctrl = nullptr;
    QCheckBox* cb_Yes = nullptr;
    QToolButton* sb_Load = nullptr;
    QToolButton* sb_Save = nullptr;
    QToolButton* sb_Clear = nullptr;
    THtmlEdit* SynMemo = nullptr;
    QString FileName; // in the program folder
};

class TfMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TfMain(QWidget* parent = nullptr);
    ~TfMain() override;

    // The HTML name of `fn`, by the type of the file selected in FLB; empty when that type
    // is not converted. The result has a folder exactly when `fn` has one.
    QString fnHTML_999_Get(const QString& fn) const;

    // The full path of FLB's selected entry (entries carry it as Qt::UserRole data); empty
    // when none is selected.
    QString SelectedFile() const;

    // True until the first timer tick has done the start-up work.
    bool ItsFirst() const { return fItsFirst; }

    // The folder list's current folder, without a trailing "/" except at the root.
    QString BrowserFolder() const { return fDLB_Dir; }

    // True while a whole-list conversion or a publishing runs.
    bool ListRunActive() const { return fRunActive; }

    // The path named on the command line, opened once start-up has run: a folder opens in
    // the browser; a file opens its folder with the file selected and shown.
    void OpenAtStart(const QString& path) { fStartPath = path; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Closing during a whole-list run stops it after the file in hand; the window closes
    // when the run has ended.
    void closeEvent(QCloseEvent* event) override;
    // Files and folders dropped from a file manager.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Construction of the controls, top to bottom.
    void BuildMenu();
    QWidget* BuildPanel_Ctrl();
    QWidget* BuildFilesPage();
    TSyntaxMemo* NewSourceMemo(const QString& name, bool readOnly);
    QWidget* BuildFileBrowser();
    QWidget* BuildFilePage();
    QWidget* BuildClipPage();
    QWidget* BuildSettingsPages();
    QWidget* BuildSetHTML1();
    QWidget* BuildFileHtmlSets();
    QWidget* BuildHtmlAttrGroup();
    QWidget* BuildSetHTML2();
    void BuildBodyFragment(TBodyFragment& f, const QString& groupName, const QString& caption,
                           const QString& part);
    QWidget* BuildPanel_Bottom();
    void ConnectHandlers();

    void FormCreate();
    void Timer1Timer();
    void StartUp();
    void CreatePlaceholderPage();
    void LoadHtmlAttrAtStart(const TSettingsFile& sets);
    void LoadSectionHTML(const TSettingsFile& sets);
    void RestoreBrowserDir(const TSettingsFile& sets);
    void MoveBrowserTo(const QString& dir);
    void OpenStartPath();
    // A folder opens in the browser; a file opens its folder with the file selected and
    // shown, the filter switched to one that shows it.
    void OpenPath(const QString& path);

    // Drops: the first local item is opened (or, on the Clipboard page's source, its text
    // pasted) once the drop has returned; the rest are counted in a message.
    void ConnectDropHandlers();
    bool DropOnSourceMemo(QEvent* event);
    void TakeDrop(const QList<QUrl>& urls, bool intoSourceMemo);
    void PasteFileText(const QString& path);

    // Settings handlers.
    void StoreCheckBox(QCheckBox* cb, QLatin1String key);
    void cb_YesQuery_before_ConvertClick();
    void cb_YesQuery_before_OpenClick();
    void cb_Yes_Suffix_PASClick();
    void cb_Yes_Suffix_DFMClick();
    void cb_Yes_HTML_after_BODYClick();
    void cb_Yes_HTML_before_BODYClick();
    void ComboBox_HTML_ExtFileChange();
    void Edit_Suffix_PASChange();
    void Edit_Suffix_DFMChange();
    void Edit_Suffix_PASExit();
    void Edit_Suffix_DFMExit();
    void SuffixEdit_Store(QLineEdit* edit, QLatin1String key);

    void Memo_HTML_AttrChange();
    void sb_HTML_Attr_LoadClick();
    void sb_HTML_Attr_SaveClick();
    void sb_HTML_Attr_DefClick();
    void SpeedButton4Click();
    TStrings HtmlAttrLines() const;
    void SetHtmlAttrLines(const TStrings& lines);
    void ReadHtmlAttrSection();

    // File browser.
    void ConnectBrowserHandlers();
    void DCBChange();
    void DLBOpen(const QString& dir);
    void SetBrowserFolder(const QString& dir);
    void StopListRunOnNewList();
    void FCBChange();
    void FLB_Read();
    void FLB_MousePressed();
    void FLB_CurrentChanged();
    void FLB_Clicked();
    void FLB_UserSelected();
    void FLBChange();
    void FLBClick();
    void ShowSelectedFile();
    void Edit_FNChange();
    void N1Click();
    void N3Click();
    void N11Click();
    void N8Click();
    void N4Click();
    void N13Click();

    // HTML preview.
    bool WebBr_Show(const QString& fn);
    void NavigateToPlaceholder();
    QString HtmlFileOf(const QString& path) const;
    void WebBr_UrlChanged(const QUrl& url);
    void cb_WebBr_ShowClick();
    void sb_HTML_openClick();

    // The settings state, kept up to date by the settings controls and the fragment editors.
    void ConnectSettingsState();
    void UpdateWindowSettings();
    void UpdateFragmentSetting(const TBodyFragment& f);
    // The page-name choices as the settings page shows them now.
    TPageNaming PageNaming() const;

    // Conversion commands.
    bool FileConvertToHTML(const QString& fn, const QString& fnHTM);
    // The same with the settings a whole-list run took at its start.
    bool FileConvertToHTML(const QString& fn, const QString& fnHTM, const TWindowSettings& parts);
    void btn_File_ToHtmlClick();
    void btn_Files_ToHtmlClick();
    void ConvertList();
    void StopListRun();
    // What a whole-list run and a publishing share: the bar, its count and "Стоп" while the
    // run lasts, and now and then a look at the window, which says whether to stop.
    void BeginRun(int files, bool followsList);
    void EndRun();
    bool RunLooksUp(int fileInHand, QElapsedTimer& sinceEvents);

    // Publishing the browsed folder as a site.
    TPublishChoices ReadPublishChoices() const;
    void StorePublishChoices(const TPublishChoices& choices);
    void btn_PublishClick();
    void PublishFolder(const QString& source, const TPublishChoices& choices);
    void ReportPublishing(const TPublishReport& report);
    void OpenSiteInPreview(const TPublishReport& report);

    // Page "Clipboard".
    void SpeedButton3Click();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void sb_Clip_CopyHtmlClick();
    void SyntMemo2Change();

    void BodyFragment_Change(TBodyFragment& f);
    void BodyFragment_Load(TBodyFragment& f);
    void BodyFragment_Save(TBodyFragment& f);
    void BodyFragment_Clear(TBodyFragment& f);

    bool fItsFirst = true;
    QString fStartPath;

    // What a page is made with, as the settings page shows it, fragment texts whether saved
    // or not; conversions read it rather than the controls.
    TWindowSettings fSettings;

    // File browser state: the folder both lists show, the file list's mask, the entry of
    // the file list's last change report, and whether the current mouse press already
    // reported its selection.
    QString fDLB_Dir;
    QString fFLB_Mask = QStringLiteral("*.pas");
    QString fFLB_LastChange;
    bool fFLB_InPress = false;
    bool fFLB_PressSelected = false;

    // Whole-list run state.
    bool fRunActive = false;
    bool fRunStop = false;
    bool fRunFollowsList = false; // a whole-list run, not a publishing
    bool fCloseAfterRun = false;

    // Menu bar, tool bar, page control, status bar.
    QMenuBar* MainMenu1;
    QAction* nVersion;
    QFrame* Panel_Ctrl;
    QToolButton* btn_Files_ToHtml;
    QToolButton* btn_Publish;
    QTabWidget* pcMain;
    QWidget* tsFiles;
    QSplitter* Splitter1;
    QTabWidget* pcFiles;
    QWidget* tsFile;
    QWidget* tsClip;
    QWidget* tsFileSet;
    QFrame* Panel_Bottom;
    QLabel* LabelDT;
    QLabel* LabelPath;
    QProgressBar* ProgressBar_Run;
    QToolButton* btn_Run_Stop;

    // File browser.
    QGroupBox* GroupBox1;
    QFrame* Panel_DCB;
    QComboBox* DCB;
    QSplitter* Splitter2;
    QListWidget* DLB;
    QFrame* Panel_FCB;
    QComboBox* FCB;
    QFrame* Panel_FLB;
    QListWidget* FLB;
    QMenu* pmDirs;
    QAction* N1;
    QAction* N3;
    QMenu* N9;
    QAction* N11;
    QAction* N8;
    QAction* nPublish;
    QMenu* pmFiles;
    QAction* N4;
    QAction* N5;
    QAction* N13;

    // Page "Файл".
    QFrame* Panel_FN;
    QLineEdit* Edit_FN_html;
    QSplitter* Splitter9;
    QLineEdit* Edit_FN;
    QFrame* Panel_File_Ctrl;
    QToolButton* btn_File_ToHtml;
    QToolButton* sb_HTML_open;
    QCheckBox* cb_WebBr_Show;
    QSplitter* Splitter_WebBr;
    QFrame* Panel_SyntMemo;
    TSyntaxMemo* SyntMemo;
    QGroupBox* GroupBox_WebBr;
    QFrame* Panel8;
    TWebBrowser* WebBr;
    QLabel* Label_FNhtml;

    // Page "Clipboard".
    QFrame* Panel10;
    QToolButton* SpeedButton3;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
    QToolButton* sb_Clip_CopyHtml;
    QSplitter* Splitter10;
    QFrame* Panel_SyntMemo2;
    TSyntaxMemo* SyntMemo2;
    QGroupBox* GroupBox2;
    THtmlEdit* SynMemo1;

    // Page "Настройка".
    QTabWidget* pcSets;
    QWidget* tsSetHTML1;
    QWidget* tsSetHTML2;
    QSplitter* Splitter3;
    QGroupBox* gb_File_HTML_Sets;
    QSplitter* Splitter4;
    QFrame* Panel_File_HTML_Sets;
    QCheckBox* cb_YesQuery_before_Convert;
    QCheckBox* cb_YesQuery_before_Open;
    QCheckBox* cb_Yes_Suffix_PAS;
    QLineEdit* Edit_Suffix_PAS;
    QCheckBox* cb_Yes_Suffix_DFM;
    QLineEdit* Edit_Suffix_DFM;
    QLabel* Label5;
    QComboBox* ComboBox_HTML_ExtFile;
    QGroupBox* gb_HTML_Attr;
    QFrame* Panel_Ctrl_HTML_Attr;
    QToolButton* sb_HTML_Attr_Load;
    QToolButton* sb_HTML_Attr_Save;
    QToolButton* sb_HTML_Attr_Def;
    QToolButton* SpeedButton4;
    QPlainTextEdit* Memo_HTML_Attr;
    QSplitter* Splitter11;
    QFrame* Panel9;
    QSplitter* Splitter12;
    QSplitter* Splitter13;
    TBodyFragment fBodyAfter;
    TBodyFragment fBodyBefore;

    // Non-visual parts.
    QTimer* Timer1;
    QFileDialog* SD1;
};
