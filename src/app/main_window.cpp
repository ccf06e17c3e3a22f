#include "app/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileSystemModel>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/configuration_controls.h"
#include "app/destination_drives.h"
#include "app/gradient_panel.h"
#include "app/load_language.h"
#include "app/main_window_parts.h"
#include "app/nav_commands.h"
#include "app/program_version.h"
#include "app/radio_group.h"
#include "app/widget_tags.h"
#include "app/worklist_model.h"
#include "operation/device_playlist.h"

namespace {

// Page headers: a bold caption on a darker band, like the headers of the tree and pages.
QLabel* headerLabel(QWidget* parent, const char* name, int textId) {
  auto* l = Named(new QLabel(DesignText(textId), parent), name);
  l->setStyleSheet(
      QStringLiteral("QLabel { background-color: palette(dark); color: palette(bright-text);"
                     " font-weight: bold; padding: 4px 8px; }"));
  l->setMinimumHeight(24);
  return l;
}

QGroupBox* panel(QWidget* parent, const char* name, int titleId) {
  return Named(new QGroupBox(DesignText(titleId), parent), name, titleId);
}

QCheckBox* checkBox(QWidget* parent, const char* name, int tag) {
  return Named(new QCheckBox(DesignText(tag), parent), name, tag);
}

RadioGroup* radioGroup(QWidget* parent, const char* name, int captionId, int itemsId) {
  auto* g = Named(new RadioGroup(parent), name, captionId);
  g->setTitle(DesignText(captionId));
  g->setItems(DesignItems(itemsId));
  return g;
}

QComboBox* history(QWidget* parent, const char* name, QComboBox* made = nullptr) {
  auto* c = Named(made ? made : new QComboBox(parent), name);
  c->setEditable(true);
  c->setInsertPolicy(QComboBox::NoInsert);
  c->setMaxVisibleItems(8);
  return c;
}

QComboBox* chooser(QWidget* parent, const char* name, const QStringList& items) {
  auto* c = Named(new QComboBox(parent), name);
  c->addItems(items);
  return c;
}

QToolButton* playerButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon,
                          int hintId) {
  auto* b = Named(new QToolButton(parent), name);
  b->setIcon(parent->style()->standardIcon(icon));
  b->setToolTip(DesignText(hintId));
  b->setAutoRaise(true);
  b->setIconSize(QSize(20, 20));
  b->setMinimumSize(32, 28);
  return b;
}

// The tree is authored with each node's text set to its command number; the start-up
// turns the numbers into captions.
void addNavNodes(QTreeWidgetItem* parent, QTreeWidget* tree,
                 const std::vector<std::int32_t>& nodes) {
  for (const std::int32_t command : nodes) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    item->setText(0, QString::number(command));
    item->setData(0, kNavCommandRole, command);
    addNavNodes(item, tree, NavTreeChildren(command));
  }
}

// Keeps a view's selection coloured as when it has the focus.
void keepSelectionVisible(QWidget* w) {
  QPalette p = w->palette();
  p.setColor(QPalette::Inactive, QPalette::Highlight,
             p.color(QPalette::Active, QPalette::Highlight));
  p.setColor(QPalette::Inactive, QPalette::HighlightedText,
             p.color(QPalette::Active, QPalette::HighlightedText));
  w->setPalette(p);
}

constexpr int kLimitTrackHeight = 22;
constexpr int kCountPanelWidth = 60;

}  // namespace

TForm1::TForm1(TavelProgram& program, QWidget* parent) : QMainWindow(parent), program_(program) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromLatin1(kProgramTitle));
  listModel_ = new WorkListModel(this);
  listModel_->setObjectName(QStringLiteral("List0Model"));

  spMain = Named(new QSplitter(Qt::Horizontal, this), "spMain");
  spMain->setChildrenCollapsible(false);
  spMain->addWidget(buildLeftSide());

  pcCenter = Named(new QTabWidget(spMain), "pcCenter");
  pcCenter->setDocumentMode(true);
  pcCenter->addTab(buildListPage(), DesignText(31));
  pcCenter->addTab(buildActionPage(), DesignText(32));
  spMain->addWidget(pcCenter);
  spMain->setStretchFactor(0, 0);
  spMain->setStretchFactor(1, 1);
  spMain->setSizes({320, 760});
  setCentralWidget(spMain);

  buildStatusBar();
  buildMenu();

  DummyLock = Named(new QLineEdit(this), "DummyLock");
  DummyLock->hide();

  resize(1080, 700);
  setMinimumSize(980, 640);
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    const QRect r = s->availableGeometry();
    move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
  }

  parts_ = std::make_unique<MainWindowParts>(partControls(), program_);
}

TForm1::~TForm1() = default;

MainWindowControls TForm1::partControls() {
  MainWindowControls c;

  WorkListView::Widgets& v = c.view;
  v.list = List0;
  v.model = listModel_;
  for (std::size_t i = 0; i < statusPanels_.size(); ++i) v.panels[i] = statusPanels_[i];
  // The status bar stays live during long work (it shows the running count); everything
  // above it is frozen.
  v.mainWindow = centralWidget();
  v.dummyLock = DummyLock;

  c.player = {this,     ipTime,  ipTitle, ipPos,    bipPrev, bipPlay,
              bipPause, bipStop, bipNext, ipTimer1, ipTimer2};

  OperationPanel::Widgets& o = c.operation;
  o.window = this;
  o.rgAction = rgAction;
  o.Start = Start;
  o.Button8 = Button8;
  o.paDest = paDest;
  o.cbDest = cbDest;
  o.Button9 = Button9;
  o.rgLimit = rgLimit;
  o.Button6 = Button6;
  o.cbLimit = cbLimit;
  o.Label3 = Label3;
  o.Label6 = Label6;
  o.cbClearDest = cbClearDest;
  o.cbVerify = cbVerify;
  o.cbDevPlaylist = cbDevPlaylist;
  o.edDevPlaylist = edDevPlaylist;
  o.paCopy = paCopy;
  o.rg1Exists = rg1Exists;
  o.paMove = paMove;
  o.rg2Exists = rg2Exists;
  o.paDelete = paDelete;
  o.cbDelToTrash = cbDelToTrash;
  o.pa2 = pa2;
  o.cbRenameEnable = cbRenameEnable;
  o.cb11 = cb11;
  o.cb12 = cb12;
  o.cb13 = cb13;
  o.cb14 = cb14;
  o.cb15 = cb15;
  o.rg3 = rg3;
  o.paFolders = paFolders;
  o.Label4 = Label4;
  o.cbFolders = cbFolders;
  o.cbCustomFC = cbCustomFC;

  c.limitBar = {gr0, gr1, gr2, lLimit, UpdateLimBarTimer};

  AddFolderPage::Widgets& a = c.addFolder;
  a.page = tsE2;
  a.tree = STV1;
  a.folders = cbFoldersHistory;
  a.mask = cbMask1;
  a.subfolders = CheckBox1;
  a.id3 = cbAFGetID3v1;
  a.setMark = cbAFChecked;
  a.byMask = cbAFbyMask;
  a.showOptions = cbAFShowOptions;
  a.options = gbAFOptions;
  a.optionsPanel = pAFOptions;
  a.toggle = Button7;
  a.add = Button1;

  c.commands = {this, NavTree, JvNavPanelHeader1, pcEdits, pcCenter, List0, JvPanel4, plMenu};
  c.destination = {static_cast<PopupComboBox*>(cbDest)};
  return c;
}

LanguageWidgets TForm1::languageWidgets() {
  return {this,     NavTree,   JvNavPanelHeader1, JvPanel4, JvPanel3,  Button9,  rgLimit,
          rgAction, rg1Exists, rg2Exists,         rg3,      cbFolders, gbPlayer, gbQuickStart,
          bipPrev,  bipPlay,   bipPause,          bipStop,  bipNext};
}

FormSettingsWidgets TForm1::settingsWidgets() {
  FormSettingsWidgets w;
  w.window = this;
  w.spMain = spMain;
  w.spLeft = spLeft;
  w.pNav = pNav;
  w.pLeft = pLeft;
  w.List0 = List0;
  w.interfaceGroups = {pAFOptions, gbAFOptions};
  w.actionGroups = {paCopy, paDelete, paMove, paRename, paDest, paFolders};
  w.CheckBox1 = CheckBox1;
  w.cbAFShowOptions = cbAFShowOptions;
  w.cbAFGetID3v1 = cbAFGetID3v1;
  w.cbAFbyMask = cbAFbyMask;
  w.cbMask1 = cbMask1;
  w.rgAction = rgAction;
  w.rgLimit = rgLimit;
  w.cbClearDest = cbClearDest;
  w.cbVerify = cbVerify;
  w.cbDevPlaylist = cbDevPlaylist;
  w.edDevPlaylist = edDevPlaylist;
  w.rg1Exists = rg1Exists;
  w.rg2Exists = rg2Exists;
  w.cbRemEmpty2 = cbRemEmpty2;
  w.cbRenameEnable = cbRenameEnable;
  w.cb11 = cb11;
  w.cb12 = cb12;
  w.cb13 = cb13;
  w.cb14 = cb14;
  w.cb15 = cb15;
  w.rg3 = rg3;
  w.cbCustomFC = cbCustomFC;
  w.cbFolders = cbFolders;
  w.cbDelToTrash = cbDelToTrash;
  w.cbRemEmpty1 = cbRemEmpty1;
  return w;
}

QWidget* TForm1::buildLeftSide() {
  pLeft = Named(new QWidget, "pLeft");
  pLeft->setMinimumWidth(280);
  auto* v = new QVBoxLayout(pLeft);
  v->setContentsMargins(0, 0, 0, 0);

  spLeft = Named(new QSplitter(Qt::Vertical, pLeft), "spLeft");
  spLeft->setChildrenCollapsible(false);
  v->addWidget(spLeft);

  pNav = Named(new QWidget(spLeft), "pNav");
  auto* nv = new QVBoxLayout(pNav);
  nv->setContentsMargins(0, 0, 0, 0);
  nv->setSpacing(0);
  JvNavPanelHeader1 = headerLabel(pNav, "JvNavPanelHeader1", 30);
  NavTree = Named(new QTreeWidget(pNav), "NavTree");
  buildNavTree();
  nv->addWidget(JvNavPanelHeader1);
  nv->addWidget(NavTree);
  spLeft->addWidget(pNav);

  pcEdits = Named(new QTabWidget(spLeft), "pcEdits");
  // Usually one tab shows at a time; when more do, they share the width rather than scroll.
  pcEdits->tabBar()->setUsesScrollButtons(false);
  pcEdits->tabBar()->setElideMode(Qt::ElideRight);
  tsE1 = buildPlayerPage();
  tsE2 = buildAddFolderPage();
  tsE3 = Named(new QWidget, "tsE3");
  tsDummy = Named(new QWidget, "tsDummy", 1);
  pcEdits->addTab(tsE1, DesignText(112));
  pcEdits->addTab(tsE2, DesignText(100));
  pcEdits->addTab(tsE3, QString());
  pcEdits->addTab(tsDummy, DesignText(1));
  pcEdits->setTabVisible(2, false);
  spLeft->addWidget(pcEdits);
  spLeft->setStretchFactor(0, 1);
  spLeft->setStretchFactor(1, 0);
  spLeft->setSizes({300, 330});
  return pLeft;
}

void TForm1::buildNavTree() {
  NavTree->setHeaderHidden(true);
  NavTree->setColumnCount(1);
  NavTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  NavTree->setSelectionMode(QAbstractItemView::SingleSelection);
  NavTree->setMouseTracking(true);  // hover highlight
  NavTree->setAnimated(false);
  NavTree->setIndentation(16);
  keepSelectionVisible(NavTree);
  addNavNodes(nullptr, NavTree, NavTreeRoots());
}

QWidget* TForm1::buildPlayerPage() {
  auto* page = Named(new QWidget, "tsE1", 112);
  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(6, 6, 6, 6);
  v->setSpacing(8);

  gbPlayer = Named(new QGroupBox(DesignText(114), page), "gbPlayer", 114);
  auto* pv = new QVBoxLayout(gbPlayer);
  // Within the group's client area (inside its frame) the slider is 8 px narrower and
  // starts 4 px in; the displays are 16 px narrower, 8 px in.
  pv->setContentsMargins(4, 6, 4, 8);
  pv->setSpacing(4);
  ipTime = Named(new QLabel(gbPlayer), "ipTime");
  ipTime->setAlignment(Qt::AlignCenter);
  ipTime->setStyleSheet(QStringLiteral(
      "QLabel { color: rgb(255,175,55); background-color: rgb(51,51,51); font-weight: bold;"
      " padding: 3px; }"));
  ipTime->setMinimumHeight(24);
  ipTitle = Named(new QLabel(gbPlayer), "ipTitle");
  ipTitle->setAlignment(Qt::AlignCenter);
  ipTitle->setStyleSheet(
      QStringLiteral("QLabel { color: silver; background-color: rgb(51,51,51); font-weight: bold;"
                     " padding: 3px; }"));
  ipTitle->setMinimumHeight(24);
  ipPos = Named(new QSlider(Qt::Horizontal, gbPlayer), "ipPos");
  ipPos->setRange(0, 0);
  ipPos->setSingleStep(10000);
  ipPos->setPageStep(30000);
  ipPos->setTickPosition(QSlider::NoTicks);
  ipPos->setEnabled(false);
  auto* displays = new QVBoxLayout;
  displays->setContentsMargins(4, 0, 4, 0);
  displays->setSpacing(4);
  displays->addWidget(ipTime);
  displays->addWidget(ipTitle);

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(2);
  buttons->addStretch();
  bipPrev = playerButton(gbPlayer, "bipPrev", QStyle::SP_MediaSkipBackward, 480);
  bipPlay = playerButton(gbPlayer, "bipPlay", QStyle::SP_MediaPlay, 481);
  bipPause = playerButton(gbPlayer, "bipPause", QStyle::SP_MediaPause, 482);
  bipStop = playerButton(gbPlayer, "bipStop", QStyle::SP_MediaStop, 483);
  bipNext = playerButton(gbPlayer, "bipNext", QStyle::SP_MediaSkipForward, 484);
  for (QToolButton* b : {bipPrev, bipPlay, bipPause, bipStop, bipNext}) buttons->addWidget(b);
  buttons->addStretch();

  pv->addLayout(displays);
  pv->addWidget(ipPos);
  pv->addLayout(buttons);

  ipTimer1 = Named(new QTimer(this), "ipTimer1");
  ipTimer1->setInterval(600);
  ipTimer2 = Named(new QTimer(this), "ipTimer2");
  ipTimer2->setInterval(300);

  gbQuickStart = Named(new QGroupBox(DesignText(115), page), "gbQuickStart", 115);
  auto* qv = new QHBoxLayout(gbQuickStart);
  qv->setContentsMargins(8, 6, 8, 8);
  Button8 = Named(new QPushButton(DesignText(230), gbQuickStart), "Button8");
  Button8->setMinimumWidth(200);
  Button8->setMinimumHeight(30);
  qv->addStretch();
  qv->addWidget(Button8);
  qv->addStretch();

  v->addWidget(gbPlayer);
  v->addWidget(gbQuickStart);
  v->addStretch();
  return page;
}

QWidget* TForm1::buildAddFolderPage() {
  auto* page = Named(new QWidget, "tsE2", 100);
  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(4, 4, 4, 4);
  v->setSpacing(4);

  STV1 = Named(new QTreeView(page), "STV1");
  stv1Model = new QFileSystemModel(this);
  stv1Model->setObjectName(QStringLiteral("STV1Model"));
  stv1Model->setFilter(QDir::AllDirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::Drives);
  stv1Model->setReadOnly(true);
  stv1Model->setRootPath(QString());
  STV1->setModel(stv1Model);
  STV1->setHeaderHidden(true);
  for (int c = 1; c < stv1Model->columnCount(); ++c) STV1->hideColumn(c);
  STV1->setDragEnabled(true);
  STV1->setDragDropMode(QAbstractItemView::DragOnly);
  STV1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  STV1->setSortingEnabled(true);
  STV1->sortByColumn(0, Qt::AscendingOrder);
  keepSelectionVisible(STV1);
  // Start at the user's home folder, the usual place of a music collection.
  const QModelIndex home = stv1Model->index(QDir::homePath());
  STV1->setCurrentIndex(home);
  STV1->expand(home);
  STV1->scrollTo(home, QAbstractItemView::PositionAtTop);

  pAFOptions = Named(new QWidget(page), "pAFOptions");
  auto* ov = new QVBoxLayout(pAFOptions);
  ov->setContentsMargins(0, 0, 0, 2);
  ov->setSpacing(4);
  cbFoldersHistory = history(pAFOptions, "cbFoldersHistory");
  cbAFShowOptions = Named(new QCheckBox(pAFOptions), "cbAFShowOptions");
  cbAFShowOptions->hide();

  gbAFOptions = Named(new QGroupBox(pAFOptions), "gbAFOptions");
  auto* gv = new QGridLayout(gbAFOptions);
  gv->setContentsMargins(8, 6, 8, 6);
  gv->setVerticalSpacing(2);
  CheckBox1 = checkBox(gbAFOptions, "CheckBox1", 101);
  cbAFGetID3v1 = checkBox(gbAFOptions, "cbAFGetID3v1", 111);
  cbAFChecked = checkBox(gbAFOptions, "cbAFChecked", 104);
  cbAFbyMask = checkBox(gbAFOptions, "cbAFbyMask", 102);
  cbMask1 = history(gbAFOptions, "cbMask1");
  gv->addWidget(CheckBox1, 0, 0, 1, 2);
  gv->addWidget(cbAFGetID3v1, 1, 0, 1, 2);
  gv->addWidget(cbAFChecked, 2, 0, 1, 2);
  gv->addWidget(cbAFbyMask, 3, 0);
  gv->addWidget(cbMask1, 3, 1);
  gv->setColumnStretch(1, 1);
  gbAFOptions->hide();  // the options start hidden

  ov->addWidget(cbFoldersHistory);
  ov->addWidget(gbAFOptions);

  auto* buttons = new QHBoxLayout;
  Button7 = Named(new QPushButton(DesignText(99), page), "Button7", 99);
  Button1 = Named(new QPushButton(DesignText(103), page), "Button1", 103);
  Button1->setDefault(true);
  buttons->addWidget(Button7);
  buttons->addStretch();
  buttons->addWidget(Button1);

  v->addWidget(STV1, 1);
  v->addWidget(pAFOptions);
  v->addLayout(buttons);
  return page;
}

QWidget* TForm1::buildListPage() {
  tsList = Named(new QWidget, "tsList", 31);
  auto* v = new QVBoxLayout(tsList);
  v->setContentsMargins(0, 0, 0, 4);
  v->setSpacing(2);
  JvPanel4 = headerLabel(tsList, "JvPanel4", 31);

  List0 = Named(new QTreeView(tsList), "List0");
  List0->setModel(listModel_);
  List0->setRootIsDecorated(false);
  List0->setItemsExpandable(false);
  List0->setUniformRowHeights(true);
  List0->setAllColumnsShowFocus(true);
  List0->setSelectionMode(QAbstractItemView::ExtendedSelection);
  List0->setSelectionBehavior(QAbstractItemView::SelectRows);
  List0->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  List0->setSortingEnabled(false);
  List0->setAlternatingRowColors(true);
  List0->header()->setSectionsClickable(false);
  List0->header()->setSectionsMovable(false);
  List0->header()->setStretchLastSection(false);
  List0->setContextMenuPolicy(Qt::CustomContextMenu);
  List0->setAcceptDrops(true);
  List0->setDropIndicatorShown(false);
  keepSelectionVisible(List0);
  // The designed columns; the start-up rebuilds them from the configuration.
  listModel_->setColumns({{DesignText(202), 280, Qt::AlignLeft, 2},
                          {DesignText(203), 60, Qt::AlignRight, 3},
                          {DesignText(204), 50, Qt::AlignRight, 4},
                          {DesignText(200), 400, Qt::AlignLeft, 0}});
  for (int c = 0; c < listModel_->columnCount(); ++c)
    List0->header()->resizeSection(c, listModel_->columns()[static_cast<std::size_t>(c)].width);

  // The limit bar: a sunken track with the used share on the left (gr1) and the free room
  // or excess on the right (gr2), the comparison in words below it.
  gr0 = Named(new QFrame(tsList), "gr0");
  gr0->setFrameShape(QFrame::Panel);
  gr0->setFrameShadow(QFrame::Sunken);
  gr0->setLineWidth(1);
  gr0->setFixedHeight(kLimitTrackHeight);
  gr1 = Named(new GradientPanel(gr0), "gr1");
  gr1->setEndColor(QColor(115, 240, 115));
  gr2 = Named(new GradientPanel(gr0), "gr2");
  gr2->setEndColor(QColor(187, 187, 187));
  lLimit = Named(new QLabel(tsList), "lLimit");
  lLimit->setAlignment(Qt::AlignCenter);
  lLimit->setMinimumHeight(18);
  UpdateLimBarTimer = Named(new QTimer(this), "UpdateLimBarTimer");
  UpdateLimBarTimer->setInterval(500);
  UpdateLimBarTimer->setSingleShot(false);

  auto* bar = new QVBoxLayout;
  bar->setContentsMargins(4, 2, 4, 0);
  bar->setSpacing(2);
  bar->addWidget(gr0);
  bar->addWidget(lLimit);

  v->addWidget(JvPanel4);
  v->addWidget(List0, 1);
  v->addLayout(bar);
  return tsList;
}

QWidget* TForm1::buildActionPage() {
  tsAction = Named(new QWidget, "tsAction", 32);
  auto* outer = new QVBoxLayout(tsAction);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  JvPanel3 = headerLabel(tsAction, "JvPanel3", 32);
  outer->addWidget(JvPanel3);

  auto* scroll = Named(new QScrollArea(tsAction), "sbAction");
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  auto* body = Named(new QWidget, "paOperation");
  scroll->setWidget(body);
  outer->addWidget(scroll, 1);

  auto* columns = new QHBoxLayout(body);
  columns->setContentsMargins(8, 8, 8, 8);
  columns->setSpacing(10);
  auto* left = new QVBoxLayout;
  left->setSpacing(8);

  // Operation: the action and the start button.
  paAction = panel(body, "paAction", 230);
  {
    auto* h = new QHBoxLayout(paAction);
    h->setContentsMargins(8, 6, 8, 8);
    rgAction = radioGroup(paAction, "rgAction", 231, 238);
    rgAction->setItemIndex(0);
    Start = Named(new QPushButton(DesignText(232), paAction), "Start", 232);
    Start->setMinimumSize(110, 34);
    h->addWidget(rgAction, 1);
    h->addWidget(Start, 0, Qt::AlignBottom);
  }

  // Destination and size limit.
  paDest = panel(body, "paDest", 233);
  {
    auto* g = new QGridLayout(paDest);
    g->setContentsMargins(8, 6, 8, 8);
    g->setHorizontalSpacing(6);
    // Its list offers the removable drives above the history while it is open.
    cbDest = history(paDest, "cbDest", new PopupComboBox(paDest));
    cbDest->setMinimumWidth(220);
    Button9 = Named(new QPushButton(QStringLiteral("..."), paDest), "Button9");
    Button9->setToolTip(DesignText(234));
    Button9->setFixedWidth(32);
    rgLimit = radioGroup(paDest, "rgLimit", 236, 237);
    rgLimit->setItemIndex(0);
    Button6 = Named(new QPushButton(DesignText(235), paDest), "Button6", 235);
    cbLimit = history(paDest, "cbLimit");
    cbLimit->setMinimumWidth(90);
    cbLimit->hide();  // shown for the manual kind only
    Label3 = Named(new QLabel(DesignText(22), paDest), "Label3", 22);
    Label3->hide();
    Label6 = Named(new QLabel(paDest), "Label6");
    QFont f = Label6->font();
    f.setBold(true);
    Label6->setFont(f);
    cbClearDest = checkBox(paDest, "cbClearDest", 239);
    cbVerify = checkBox(paDest, "cbVerify", 419);
    cbDevPlaylist = checkBox(paDest, "cbDevPlaylist", 402);
    edDevPlaylist = Named(new QLineEdit(QString::fromLatin1(kDefaultDevicePlaylistName), paDest),
                          "edDevPlaylist");
    edDevPlaylist->setEnabled(false);
    QObject::connect(cbDevPlaylist, &QCheckBox::toggled, edDevPlaylist, &QWidget::setEnabled);

    auto* limitSide = new QVBoxLayout;
    limitSide->setSpacing(4);
    auto* manual = new QHBoxLayout;
    manual->addWidget(cbLimit);
    manual->addWidget(Label3);
    manual->addStretch();
    limitSide->addStretch();
    limitSide->addWidget(Button6, 0, Qt::AlignLeft);
    limitSide->addLayout(manual);
    limitSide->addWidget(Label6);
    limitSide->addStretch();

    g->addWidget(cbDest, 0, 0, 1, 2);
    g->addWidget(Button9, 0, 2);
    g->addWidget(rgLimit, 1, 0);
    g->addLayout(limitSide, 1, 1, 1, 2);
    g->addWidget(cbClearDest, 2, 0, 1, 3);
    g->addWidget(cbVerify, 4, 0, 1, 3);
    g->addWidget(cbDevPlaylist, 3, 0);
    g->addWidget(edDevPlaylist, 3, 1, 1, 2);
    g->setColumnStretch(0, 1);
    g->setColumnStretch(1, 1);
  }

  paCopy = panel(body, "paCopy", 240);
  {
    auto* h = new QVBoxLayout(paCopy);
    h->setContentsMargins(8, 6, 8, 8);
    rg1Exists = radioGroup(paCopy, "rg1Exists", 242, 243);
    rg1Exists->setItems(DesignItems(243) << DesignText(417));
    rg1Exists->setItemIndex(2);
    h->addWidget(rg1Exists);
  }

  paMove = panel(body, "paMove", 241);
  {
    auto* h = new QVBoxLayout(paMove);
    h->setContentsMargins(8, 6, 8, 8);
    rg2Exists = radioGroup(paMove, "rg2Exists", 242, 243);
    rg2Exists->setItems(DesignItems(243) << DesignText(417));
    rg2Exists->setItemIndex(2);
    cbRemEmpty2 = checkBox(paMove, "cbRemEmpty2", 244);
    cbRemEmpty2->setEnabled(false);
    h->addWidget(rg2Exists);
    h->addWidget(cbRemEmpty2);
  }
  paMove->hide();

  paDelete = panel(body, "paDelete", 246);
  {
    auto* h = new QVBoxLayout(paDelete);
    h->setContentsMargins(8, 6, 8, 8);
    cbDelToTrash = checkBox(paDelete, "cbDelToTrash", 245);
    cbDelToTrash->setChecked(true);
    cbRemEmpty1 = checkBox(paDelete, "cbRemEmpty1", 244);
    cbRemEmpty1->setEnabled(false);
    h->addWidget(cbDelToTrash);
    h->addWidget(cbRemEmpty1);
  }
  paDelete->hide();

  left->addWidget(paAction);
  left->addWidget(paDest);
  left->addWidget(paCopy);
  left->addWidget(paMove);
  left->addWidget(paDelete);
  left->addStretch();

  // Right column: renaming and the folder layout.
  pa2 = Named(new QWidget(body), "pa2");
  auto* right = new QVBoxLayout(pa2);
  right->setContentsMargins(0, 0, 0, 0);
  right->setSpacing(8);
  paRename = panel(pa2, "paRename", 250);
  {
    auto* h = new QVBoxLayout(paRename);
    h->setContentsMargins(8, 6, 8, 8);
    h->setSpacing(3);
    cbRenameEnable = checkBox(paRename, "cbRenameEnable", 251);
    cb11 = checkBox(paRename, "cb11", 252);
    cb11->setChecked(true);
    cb14 = checkBox(paRename, "cb14", 253);
    cb13 = checkBox(paRename, "cb13", 254);
    cb12 = checkBox(paRename, "cb12", 255);
    cb15 = checkBox(paRename, "cb15", 256);
    cb12->hide();
    cb15->hide();
    rg3 = radioGroup(paRename, "rg3", 257, 258);
    rg3->setItemIndex(2);
    h->addWidget(cbRenameEnable);
    for (QCheckBox* c : {cb11, cb14, cb13, cb12, cb15}) {
      c->setEnabled(false);  // follow cbRenameEnable, which starts off
      auto* indent = new QHBoxLayout;
      indent->setContentsMargins(18, 0, 0, 0);
      indent->addWidget(c);
      h->addLayout(indent);
    }
    rg3->setEnabled(false);
    h->addWidget(rg3);
  }
  paFolders = panel(pa2, "paFolders", 260);
  {
    auto* g = new QGridLayout(paFolders);
    g->setContentsMargins(8, 6, 8, 8);
    Label5 = Named(new QLabel(DesignText(261), paFolders), "Label5", 261);
    cbFolders = chooser(paFolders, "cbFolders", DesignItems(262));
    Label4 = Named(new QLabel(DesignText(263), paFolders), "Label4", 263);
    cbCustomFC = chooser(paFolders, "cbCustomFC",
                         {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                          QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6")});
    cbCustomFC->setCurrentIndex(2);
    g->addWidget(Label5, 0, 0);
    g->addWidget(cbFolders, 0, 1);
    // The level row spans both columns, so its long caption never widens the first one.
    auto* levels = new QHBoxLayout;
    levels->addWidget(Label4);
    levels->addWidget(cbCustomFC);
    levels->addStretch();
    g->addLayout(levels, 1, 0, 1, 2);
    g->setColumnStretch(1, 1);
    Label4->hide();  // only for "choose the number of levels"
    cbCustomFC->hide();
  }
  right->addWidget(paRename);
  right->addWidget(paFolders);
  right->addStretch();

  columns->addLayout(left, 1);
  columns->addWidget(pa2, 1);
  return tsAction;
}

void TForm1::buildMenu() {
  plMenu = Named(new QMenu(this), "plMenu");
  // Each item: its command number as tag, the text id as authored caption.
  auto item = [](QMenu* menu, int command, int textId, bool enabled = true) {
    QAction* a = menu->addAction(QString::number(textId));
    a->setObjectName(QStringLiteral("mi%1").arg(command));
    a->setProperty("tag", command);
    a->setProperty("command", command);
    a->setEnabled(enabled);
    return a;
  };
  auto submenu = [](QMenu* menu, int command, int textId) {
    QMenu* sub = menu->addMenu(QString::number(textId));
    sub->setObjectName(QStringLiteral("mi%1").arg(command));
    sub->menuAction()->setObjectName(QStringLiteral("mi%1Action").arg(command));
    sub->menuAction()->setProperty("tag", command);
    sub->menuAction()->setProperty("command", command);
    return sub;
  };
  item(plMenu, kCmdPlay, 81);
  item(plMenu, kCmdOpenFile, 80, false);
  plMenu->addSeparator();
  item(plMenu, kCmdMarkSelected, 170);
  item(plMenu, kCmdUnmarkSelected, 171);
  plMenu->addSeparator();
  QMenu* add = submenu(plMenu, kCmdAdd, 42);
  item(add, kCmdAddFolder, 43);
  item(add, kCmdAddFiles, 44);
  item(add, kCmdAddPlaylist, 45);
  item(add, kCmdAddWinamp, 78);
  QMenu* del = submenu(plMenu, kCmdDelete, 46);
  item(del, kCmdDeleteSelected, 47);
  QAction* clear = item(del, kCmdClearList, 49);
  clear->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
  QMenu* sel = submenu(plMenu, kCmdSelection, 63);
  QAction* all = item(sel, kCmdSelectAll, 64);
  all->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  item(sel, kCmdClearSelection, 65);
  item(sel, kCmdInvertSelection, 66);
  item(sel, kCmdSelectMarked, 67);
  plMenu->addSeparator();
  item(plMenu, kCmdAbout, 79);
  // The shortcuts work while the list has the focus, as in the menu.
  for (QAction* a : {clear, all}) {
    a->setShortcutContext(Qt::WidgetShortcut);
    List0->addAction(a);
  }
  connect(List0, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { plMenu->popup(List0->viewport()->mapToGlobal(p)); });
}

void TForm1::buildStatusBar() {
  StatusBar1 = Named(new QStatusBar(this), "StatusBar1");
  StatusBar1->setSizeGripEnabled(true);
  for (int i = 0; i < 3; ++i) {
    auto* l = new QLabel(StatusBar1);
    l->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    l->setTextFormat(Qt::PlainText);
    l->setMinimumWidth(0);
    statusPanels_[static_cast<std::size_t>(i)] = l;
  }
  statusPanels_[1]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  statusPanels_[1]->setFixedWidth(kCountPanelWidth);
  StatusBar1->addWidget(statusPanels_[0]);
  StatusBar1->addWidget(statusPanels_[1]);
  StatusBar1->addWidget(statusPanels_[2], 1);
  StatusBar1->installEventFilter(this);
  setStatusBar(StatusBar1);
}

void TForm1::layoutStatusPanels() {
  // Panel 0 takes six tenths of the bar less 50 px, panel 2 what panel 1 leaves.
  const int w = StatusBar1->width();
  const int p0 = std::max(0, w * 6 / 10 - 50);
  statusPanels_[0]->setFixedWidth(p0);
  statusPanels_[2]->setMinimumWidth(0);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize) {
    if (watched == StatusBar1) layoutStatusPanels();
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (closed_) {
    event->accept();
    return;
  }
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}
