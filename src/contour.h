#pragma once

#include <QColor>
#include <QDateTime>
#include <QFile>
#include <QList>
#include <QPersistentModelIndex>
#include <QPair>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QTabWidget>
#include <QVector>

#include <functional>
#include <memory>

#include "channelstart.h"
#include "contourmodel.h"
#include "elasharedmemory.h"
#include "startcheck.h"
#include "weldpassport.h"
#include "techeditor.h"
#include "ui_contour.h"
#include "weldprogram.h"

class Gui;
class ProgramPage;
template <typename T>
class QFutureWatcher;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;
class QTimer;

// The weld program editor: a tab widget with the contour table, the technology table and the
// three channel pages. The two tables are the program's store; snapshot() reads them into a
// plain value on which the geometry, the generators and the contour file work. The editor
// follows the drive controller (transformation, drive power, the three CNC channels, axis
// motion, the running program's point number) and the user's rights, and reports to the
// operator through message().
class CONTOUR : public QTabWidget, public Ui::CONTOUR, public TechEditor
{
    Q_OBJECT

public:
    // Item data roles of the technology table's sweep cell (RasterParams) and of the contour
    // table's segment cell (SegmentParams).
    enum Roles {
        RoleOn = Qt::UserRole,
        RoleRasterType = Qt::UserRole + 1,   // .. + 9
        RoleSegmentType = Qt::UserRole + 10,
        RoleSegmentRadius = Qt::UserRole + 11,
        RoleSegmentDirection = Qt::UserRole + 12,
        RoleSegmentPlane = Qt::UserRole + 13,
    };

    // The controller's folder of NC programs, as commands name it.
    static const QString s_prgDir;
    // The folder of contour files, relative to the executable's folder.
    static const QString s_contourDir;
    // The folder of weld passports.
    static const QString s_passportsDir;
    // The folder of contour files as the installation names it (beside the executable), and
    // where the console reaches it (under POKAVRO_ROOT when that is set).
    static QString contourDir();
    static QString contourFolder();

    // With the main window as parent, the screen follows the drive link's point number.
    explicit CONTOUR(QWidget* parent = nullptr);
    ~CONTOUR() override;

    // ---- the program as a value ----------------------------------------------------------
    ContourSnapshot snapshot() const;
    const Schema* schema() const { return m_schema; }

    // ---- contour table --------------------------------------------------------------------
    void init(Schema* schema);
    void addPoint(const QList<float>& point);
    void movePoint(int row, const QList<float>& delta);
    QList<float> coords() const;
    QList<float> coords(int row) const;
    void setColor(QTableWidget* table, int row, const QColor& colour);
    void updatePlane(int plane);
    void updateD();
    void addParameters(int row, int type, int direction, int plane, float radius, bool updateLength) override;
    float calcDiameter(int row, int plane) override;
    void recalcPointsForNewDiameter(float oldDiameter, float newDiameter) override;

    // ---- geometry shown on the screen -----------------------------------------------------
    float prevDistance(int row) const;
    void updateLength();

    // ---- technology table -----------------------------------------------------------------
    bool isComment(int row) const;
    bool isOn(int row) const;
    bool isStop(int row) const;
    void addComment(const QString& text) override;
    void addTechPoint(float interval, float IrVal, float speed) override;
    void addLinearTackPoint(float path, float IrVal, float speed) override;
    void addPointToTech(float path);
    void addContourPoint(bool allPoints, bool allRotate, int point, int rotate) override;
    // A template's rows, inserted before the end row in order; the table is checked once after
    // the last. Rows that would take the table beyond what the editor holds add nothing.
    void addRows(const QList<TemplateRow>& rows) override;
    void setParamValueInTable(int column, float value, int decimals);
    void setTechSettings(bool testMove, bool focusOn, bool yokeXOn, bool yokeYOn, float If, float Ix, float Iy,
                         float D, int plane) override;
    void updateValidDistance();

    // ---- enabling rules -------------------------------------------------------------------
    void updateNew();
    void updateIns();
    void updateCorr();
    void updateCorrNgo();
    void updateDel();
    void updateTechTab();
    void updateRing();
    // The commands that change the technology or load another program (templates, settings, rows
    // from contour points, the weld speed, loading): not while a start sends its channels or a
    // contour is being opened. Saving: once there is a scheme, not while a contour is being opened.
    void updateProgramCommands();
    // The start button: "ПУСК", or "ДАЛЕЕ" while a stopped run waits for its continuation.
    void updateGcode();

    // ---- starting programs (contourstart.cpp) -----------------------------------------------
    // What the operator asked to start: the start button's full start, continuation after a
    // technological stop or test move; a go-to move (a touch on a contour row); the correction
    // move ("Сдвинуть и перейти"); the run button of a channel page.
    enum class Start { Weld, Continuation, TestMove, GoTo, Correction, Channel1, Channel2, Channel3 };
    // The one check that every start goes through before anything is written: why `what` cannot
    // start now, as the "[A]" line that says so, or empty. `program` is the snapshot that the
    // start is to run (not read for a channel page). A continuation needs the stopped run still
    // waiting for it, and motion programs that continue the run's own: `continuesRun` says whether
    // the programs generated for it do (without it, only what can be checked before they are).
    QString startRefusal(Start what, const ContourSnapshot& program, const bool* continuesRun = nullptr) const;
    // A press of the start button is generating its programs, off the GUI thread. Meanwhile the
    // editor is locked as while a start sends its channels, and a further press does nothing;
    // the start then goes on from the result, after the same check once more.
    bool generating() const { return m_generation != nullptr; }
    // Writes the program of a channel as "/programs/_temp<channel>.npg" and starts it; false when
    // the file could not be written or the command did not leave.
    bool run(int channel, const QString& text);
    // The programs are being stopped: a start waiting between its channels starts no more.
    void stopStart();
    // The controller was ordered to stop every program: the weld's beam program has ended with
    // them, and no stop is left to continue from.
    void programsStopped();
    // A stopped weld waits for its continuation: a stop remains, and the beam program of its full
    // start is still reported running (it waits at that stop).
    bool continuationPending() const;
    // Stops, starts and restart lines of the run the start button continues.
    const WeldProgram::GeneratorState& generatorState() const { return m_gen; }
    // The three programs of a full start were started last.
    bool fullRun() const { return m_fullRun; }
    bool forward() const { return m_forward; }

    // ---- channel pages (channelpages.cpp) -------------------------------------------------------
    // Opens the NC program path + ".npg" (an installation path) on the page `edit`: it is read off
    // the GUI thread and shown, with its name on `label` and a line, once it is there. False, with
    // the page as it was, when it cannot be opened or is longer than a page shows.
    bool loadFile(const QString& name, const QString& path, QLabel* label, QPlainTextEdit* edit);
    // Writes the page's text to path + ".npg"; false when it cannot be written.
    bool saveFile(const QString& name, const QString& path, QLabel* label, QPlainTextEdit* edit);
    // The program of a channel's page (1 to 3), also while a long one is still being shown.
    QString pageProgram(int channel) const;

    // ---- weld passport (contourpassport.cpp) ---------------------------------------------------
    // Opens the passport of the run now starting, in the form of fullRun(): the header, the first
    // row, then a row every 100 ms until the run ends. A passport still open is ended first.
    void startPassport();
    bool passportOpen() const { return m_ppf.isOpen(); }
    // The passport file written last (where the console writes it).
    QString passportFile() const { return m_passportFile; }
    // The clock of the passport's name and header (tests fix it).
    void setPassportClock(std::function<QDateTime()> clock) { m_passportClock = std::move(clock); }

    // ---- contour file ---------------------------------------------------------------------
    // path: the installation's path of the file without ".save" (the file dialog's result).
    // A file that was loaded only in part (or not at all) is kept beside itself, as
    // "<name>.save.damaged", before the first save over it.
    void save(const QString& name, const QString& path, bool setName);
    // Reads the file and fills both tables before it returns (an opening under way is ended first:
    // dropped while its file is still being read, else filled to its end).
    void load(const QString& name, const QString& path);
    // The file dialog's open: the same as load(), while the window keeps answering. The file is
    // read off the GUI thread, then the tables let go of the contour before and take the new one
    // kOpenRowsPerTurn rows per turn of the event loop. Until the new contour is in, the tables
    // are not repainted, nothing edits, starts from or saves the program, and a further open does
    // nothing.
    void openContour(const QString& name, const QString& path);
    bool opening() const { return m_opening != nullptr; }
    static constexpr int kOpenRowsPerTurn = 1000;

    // ---- settings -------------------------------------------------------------------------
    void loadIni();
    void saveIni();

    // ---- TechEditor readers ---------------------------------------------------------------
    int contourRowCount() const override;
    float lengthValue() const override;
    float weldSpeedValue() const override;
    float contourSpeedValue() const override;
    float pointsValue() const override;
    float ringsValue() const override;
    bool hasSchema() const override { return m_schema != nullptr; }
    float schemaD() const override;
    bool schemaRound() const override;
    bool schemaRotate() const override;
    int schemaAux() const override;

    // ---- state that the screen follows ----------------------------------------------------
    bool virtualMode() const { return m_virtualMode; }
    bool driveState() const { return m_drivesOn; }
    uint channelState(int channel) const;
    bool axisMoving() const { return m_axisMoving; }
    uint pointNo() const { return m_pointNo; }
    int userRights() const { return m_userRights; }
    int currentPoint() const { return m_currentPoint; }
    bool ring() const { return m_ring; }
    bool closeDirect() const { return m_closeDirect; }
    bool inverted() const { return m_inverted; }
    bool testMove() const { return m_testMove; }
    float centerXValue() const { return m_centerX; }
    float centerYValue() const { return m_centerY; }

public slots:
    // The main window has started and listens: the lines of the editor's own start (the loading
    // of the last contour) reach the operator now.
    void onSystemStarted();
    void onVirtualMode(bool state);
    void onDriveState(bool state);
    void onChannel1State(uint state);
    void onChannel2State(uint state);
    void onChannel3State(uint state);
    void onAxisMoving(bool state);
    void onChangedPointNo(uint row);
    void onUserChanged(int rights);
    void onContourCurrentCellChanged(int, int, int, int);
    void onTechTabCurrentCellChanged(int, int, int, int);

    void on_pbSave_clicked();
    void on_pbLoad_clicked();
    void on_pbSave_2_clicked();
    void on_pbLoad_2_clicked();

    void on_pbGcode_clicked();
    void on_pbCorrNgo_clicked();
    void onContourCellClicked(int row, int column);
    void onContourCellDoubleClicked(int row, int column);

    // contour editing (contouredit.cpp)
    void on_pbNew_clicked();
    void on_pbIns_clicked();
    void on_pbDel_clicked();
    void on_pbCorr_clicked();
    void on_pbInverse_clicked();
    void on_pbRing_clicked();
    void on_nrings_clicked();

    // technology table (techtable.cpp)
    void onTechTabCellClicked(int row, int column);
    void on_pbInsTechPoint_clicked();
    void on_pbDelTechPoint_clicked();
    void on_pbTemplate_clicked();
    void on_pbSettings_clicked();
    void on_pbAddTechPoint_clicked();
    void on_contourSpeed_clicked();
    void on_weldSpeed_clicked();

    // channel pages (channelpages.cpp)
    void on_pbPrgOpen_1_clicked();
    void on_pbPrgOpen_2_clicked();
    void on_pbPrgOpen_3_clicked();
    void on_pbPrgSave_1_clicked();
    void on_pbPrgSave_2_clicked();
    void on_pbPrgSave_3_clicked();
    void on_pbRun_clicked();
    void on_pbRun_2_clicked();
    void on_pbRun_3_clicked();

signals:
    void message(const QString& text, bool isShow);

protected:
    // The passport's 100 ms rows.
    void timerEvent(QTimerEvent* event) override;
    // The pointer on the contour table.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A start is sending its channels, with pauses between them.
    bool starting() const;
    bool contourEditable() const;
    // Every editing command follows a start's beginning and end.
    void refreshEditing();
    // A contour of the linear scheme ("XYZ"): its last column holds the segment of each point.
    bool linearScheme() const { return m_schema && m_schema->linear(); }
    // The status of the drive controller is known (no link at all: the editor alone, as known).
    bool driveStatusKnown() const;
    // The number pad titled `title` below `anchor` (at the cursor without one), starting empty;
    // true with the entered number when one was confirmed (an empty entry confirms none).
    static bool askNumber(const QString& title, QWidget* anchor, bool noDecimal, bool noSign, double* value);
    // The sink through which a technology dialog's lines become the editor's own.
    std::function<void(const QString&, bool)> dialogSink();
    void afterNewContour();
    void afterContourEdit();
    void createRingContour(float D, float P);
    void swapRows(int a, int b, int firstColumn, int lastColumn);
    void toggleRowsBelow(int commentRow);
    // The technology table as rows (snapshot().tech without reading the contour).
    QList<TechRow> techRows() const;
    TechRow techRow(int row) const;
    // The snapshot without its technology rows: what the geometry needs.
    ContourSnapshot contourSnapshot() const;
    // Paints a row's text, leaving alone a row that has the colour already (a cell without a
    // colour of its own shows black).
    void paintRow(QTableWidget* table, int row, const QColor& colour);

    struct ChannelPage {
        QLabel* label;
        ProgramPage* page;
        QPushButton* open;
        QPushButton* save;
    };
    ChannelPage channelPage(int channel);
    ProgramPage* pageOf(const QPlainTextEdit* edit) const;
    // The file dialog of a channel page's open or save button.
    void programDialog(int channel, bool open);
    void runProgram(int channel);

    // The header of a passport below its top lines, built before the passport is opened (with the
    // programs, off the GUI thread), and the speed of the technology table's first row.
    struct PreparedPassport {
        bool full = true;
        QByteArray body;
        float speed = 0;
    };
    // A header's lengths, weld speed and coordinate columns.
    void passportValues(WeldPassport::Header& h) const;
    // The cell texts a full run's header lists: every contour cell, row by row, and the path, beam,
    // focus and speed cells of every technology row (read for comment rows too, not used).
    struct PassportCells {
        int contourColumns = 0;
        QStringList contour;
        QStringList tech;
    };
    PassportCells passportCells() const;
    // The contour and technology lines of a full run's header, from those cells (any thread).
    static void passportLines(WeldPassport::Header& h, const PassportCells& cells, const QList<TechRow>& tech);
    static float passportSpeed(const QList<TechRow>& tech);
    // startPassport(), with the header's body from `prepared` when it is given for this form.
    void openPassport(const PreparedPassport* prepared);
    void writePassportRow(bool tick);
    // Appends a piece of the passport (its header, given in two parts, or a row) whole, or nothing
    // of it: false when the disk did not take it. The first piece missing says at once that the
    // passport is incomplete.
    bool appendPassport(const QByteArray& bytes, const QByteArray& more = QByteArray());
    // The passport's file as the installation names it.
    QString shownPassportFile() const;
    // Closes the passport, saying how much of it is missing.
    void endPassport();

    void onDriveLinkLost();
    // Keeps a damaged contour file beside itself before `file` is written over; false when it
    // could not be kept.
    bool keepDamaged(const QString& file, const QString& name);
    void warn(const QString& text);
    void fileDialog(bool open);
    void refreshButtons();
    void showCurrentColumns();
    QString widthKey(const QString& axis) const;
    void saveContourWidths();
    // A scheme is installed and the technology table takes `rows` more rows; else a "[W]" line
    // that begins with `notAdded` and says why.
    bool techTableReady(const QString& notAdded, int rows = 1);
    bool techValuesValid(const char* what, float path, float IrVal);
    // The rows of addTechPoint and addLinearTackPoint without the check of the table; false when
    // the row was refused.
    bool insertInterval(float interval, float IrVal, float speed);
    bool insertTack(float path, float IrVal, float speed);
    void writeTechPoint(int row, float path, float IrVal, float speed);
    void insertTechPoint(int row, float path, float IrVal, float speed);
    void insertAtPath(float path, QVector<float>* paths = nullptr);
    void setTechCell(int row, int column, float value, int decimals);
    void markEndRows(int row);
    // A comment row spanning the table, switched off, in the (empty) row `row`.
    void setCommentRow(int row, const QString& text);
    // ---- opening a contour file (the parts of load() and openContour()) ----
    struct Opening;
    // Keeps note of a file read only in part and says what of it did not load; false when nothing
    // of it loads (the editor stays as it was).
    bool acceptContour(const Opening& o);
    // Removes up to `rows` rows from the end of the tables; true once both are empty.
    bool shrinkTables(int rows);
    // Installs the file's scheme and values, with its start and end rows.
    void startFill(Opening& o);
    // Adds up to `rows` more rows of the file to the tables; true once all are in.
    bool fillRows(Opening& o, int rows);
    // The file is in: the lines to the operator, the lengths, the checks and the buttons.
    void endFill(const Opening& o);
    void onContourRead();
    void openMore();
    // The opening under way ends now: dropped while its file is being read (the tables hold the
    // contour before), else filled to its end.
    void finishOpening();
    void completeOpening();
    // Every command that changes or starts from the program is off: a start is sending its
    // channels, or a contour is being opened.
    bool busy() const { return starting() || opening(); }
    void writeTechRow(int row, const TechRow& t);
    void setSegmentCell(int row, const SegmentParams& segment);
    void afterTechPointInserted();
    float cellValue(const QTableWidget* table, int row, int column) const;

    void setUpStart();
    // Where each axis of the program's scheme stands, as the controller reported it, and its first
    // contour point.
    QList<AxisPlace> firstPointPlaces(const ContourSnapshot& program) const;
    // Emits the refusal of `what`, if any; true when the start must not go on.
    bool refused(Start what, const ContourSnapshot& program, const bool* continuesRun = nullptr);
    // The channels a start of `what` writes and starts, in the order it starts them.
    static QList<int> startedChannels(Start what, const ContourSnapshot& program);

    // A press of the start button: a full start (Weld), a continuation or a test move, as taken at
    // the press.
    struct PendingStart {
        Start what = Start::Weld;
        ContourSnapshot program;
        WeldProgram::GeneratorState gen;    // the run a continuation continues
        QString runText1, runText2, runText3;  // the programs that run was started with
        WeldPassport::Header passport;      // a full start: the passport's values
        PassportCells passportCells;        // and the cells of its tables
        QString page2;                      // a full start: the channel 2 page at the press
        QLocale locale;
    };
    // What the press generated.
    struct GeneratedStart {
        WeldProgram::Programs beam;         // a full start's channel 3
        WeldProgram::Programs motion;       // channels 1 and 2
        bool continuesRun = true;           // a continuation's programs continue the run's
        PreparedPassport passport;          // a full start's passport
    };
    // Everything of a press that grows with the program; touches nothing of the editor.
    static GeneratedStart generate(const PendingStart& press);
    // Generates the programs of `press` off the GUI thread; onGenerated() goes on.
    void startGenerating(PendingStart press);
    void onGenerated();
    // Drops the programs being generated, so that nothing of them is written or sent; `lines`
    // tell the operator why.
    void abandonGeneration(const QStringList& lines);
    void forgetRun();
    // The beam program of the weld has ended (or was stopped): nothing is left to continue.
    void weldEnded();
    bool startChannels(const QList<ChannelStart::Step>& steps, std::function<void(bool)> done);
    void showPrograms(const QString& text1, const QString& text2);
    QList<ChannelStart::Step> motionSteps(const QString& text1, const QString& text2, int pauseMs) const;

    // The lines of the editor's start, until the main window listens.
    QList<QPair<QString, bool>> m_startMessages;
    bool m_started = false;
    // Contour files (where the console reaches them) read only in part and not yet kept.
    QSet<QString> m_damagedFiles;

    ElaSharedMemory m_ela;
    QPointer<Gui> m_gui;
    Schema* m_schema = nullptr;

    int m_currentPoint = -1;
    // The contour cell a press landed on, until its release.
    QPersistentModelIndex m_touchedCell;
    bool m_ring = false;
    bool m_closeDirect = true;
    bool m_inverted = false;
    bool m_forward = true;
    float m_centerX = 0;
    float m_centerY = 0;

    uint m_channel1State = 0;
    uint m_channel2State = 0;
    uint m_channel3State = 0;
    bool m_drivesOn = false;
    bool m_virtualMode = false;
    bool m_axisMoving = false;
    uint m_pointNo = 0;
    int m_userRights = -1;

    bool m_testMove = false;

    bool m_focusOn = false;
    bool m_yokeXOn = false;
    bool m_yokeYOn = false;
    float m_If = 700;
    float m_Ix = 0;
    float m_Iy = 0;

    ProgramPage* m_pages[3] = {};   // the programs of the channel pages 1 to 3
    std::unique_ptr<Opening> m_opening;  // a contour file being opened
    QTimer* m_openTurn = nullptr;        // its next turn
    ChannelStart* m_start = nullptr;
    QFutureWatcher<GeneratedStart>* m_generation = nullptr;  // a press being generated
    PendingStart m_pending;
    std::function<void(bool)> m_afterStart;  // what a start under way does when it ends
    WeldProgram::GeneratorState m_gen;
    // The programs of the last start: a continuation must continue these, and the beam program
    // of the full start must be the one the continuation's table gives.
    QString m_runText1;
    QString m_runText2;
    QString m_runText3;
    bool m_fullRun = false;
    // The beam program of the last full start, as the controller reports channel 3: not started
    // (or over), sent, or reported loading or running since it was sent. Its end is the end of
    // the weld, whoever watches it.
    enum class WeldBeam { None, Sent, Running };
    WeldBeam m_weldBeam = WeldBeam::None;

    // The weld passport: its file and timer, the form fixed at its start, how far it got.
    QFile m_ppf;
    QString m_passportFile;
    int m_passportTimer = 0;
    bool m_passportFull = false;
    bool m_passportSeenRunning = false;
    // What the disk did not take: the header, rows (of all rows written), said once.
    bool m_passportHeaderWritten = true;
    qint64 m_passportRows = 0;
    qint64 m_passportRowsMissing = 0;
    bool m_passportIncomplete = false;
    WeldPassport::Progress m_passport;
    std::function<QDateTime()> m_passportClock;
};
