// The theme engine's built-in styles as Qt style sheets.
#include "app/ui/BuiltInSkins.h"

QString BuiltInStyleSheet(std::string_view styleName)
{
    if (styleName == "MacOS")
        return QStringLiteral(R"qss(/* MacOS */
#Form1, #Form4, #Form5, #Form6, #Form7, #Form8, #Form9, QDialog { background-color: #e4e4e4; }
QWidget { color: #1d1d1d; }
QLabel { background: transparent; color: #1d1d1d; }
QGroupBox { background-color: #efefef; border: 1px solid #a8a8a8; border-radius: 5px; margin-top: 10px; padding-top: 6px; }
QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; color: #1d1d1d; }
#suiToolBar1 { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fafafa, stop:1 #c8c8c8); border-bottom: 1px solid #a8a8a8; }
#suiToolBar1 QToolButton { background: transparent; color: #1d1d1d; border: 1px solid transparent; border-radius: 5px; }
#suiToolBar1 QToolButton:hover { background: rgba(255, 255, 255, 70); border-color: #3875d7; }
#suiToolBar1 QToolButton:disabled { color: #8c8c8c; }
QPushButton { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #dcdcdc); color: #1a1a1a; border: 1px solid #a8a8a8; border-radius: 3px; padding: 2px 8px; }
QPushButton:hover { border-color: #3875d7; }
QPushButton:pressed { background: #dcdcdc; }
QPushButton:disabled { background: #dcdcdc; color: #8c8c8c; }
QLineEdit, QComboBox { background: #ffffff; color: #1a1a1a; border: 1px solid #a8a8a8; border-radius: 2px; padding: 1px 4px; }
QComboBox:disabled, QLineEdit:disabled { color: #8c8c8c; }
QComboBox QAbstractItemView { background: #ffffff; color: #1a1a1a; selection-background-color: #3875d7; selection-color: #ffffff; }
QTreeView, QListView, QPlainTextEdit { background: #ffffff; color: #1a1a1a; alternate-background-color: #f3f6fb; border: 1px solid #a8a8a8; selection-background-color: #3875d7; selection-color: #ffffff; }
QHeaderView::section { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #dcdcdc); color: #1a1a1a; border: none; border-right: 1px solid #a8a8a8; border-bottom: 1px solid #a8a8a8; padding: 2px 4px; }
QStatusBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fafafa, stop:1 #c8c8c8); color: #1d1d1d; border-top: 1px solid #a8a8a8; }
QStatusBar QLabel { color: #1d1d1d; }
QMenu { background: #ffffff; color: #1a1a1a; border: 1px solid #a8a8a8; }
QMenu::item { padding: 4px 24px 4px 24px; }
QMenu::item:selected { background: #3875d7; color: #ffffff; }
QMenu::item:disabled { color: #8c8c8c; }
QMenu::separator { height: 1px; background: #a8a8a8; margin: 3px 6px; }
QSlider::groove:horizontal { height: 4px; background: #a8a8a8; border-radius: 2px; }
QSlider::handle:horizontal { background: #3875d7; border: 1px solid #a8a8a8; width: 10px; margin: -6px 0; border-radius: 3px; }
QCheckBox, QRadioButton { color: #1d1d1d; background: transparent; }
QCheckBox::indicator, QGroupBox::indicator { width: 12px; height: 12px; border: 1px solid #1a1a1a; border-radius: 2px; background: #ffffff; }
QRadioButton::indicator { width: 12px; height: 12px; border: 1px solid #1a1a1a; border-radius: 7px; background: #ffffff; }
QCheckBox::indicator:checked, QGroupBox::indicator:checked, QRadioButton::indicator:checked { background: qradialgradient(cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5, stop:0 #3875d7, stop:0.55 #3875d7, stop:0.65 #ffffff); }
QCheckBox::indicator:disabled, QGroupBox::indicator:disabled, QRadioButton::indicator:disabled { border-color: #a8a8a8; }
QScrollBar { color: #1a1a1a; }
#Panel2 { background: #000000; }
)qss");
    if (styleName == "WinXP")
        return QStringLiteral(R"qss(/* WinXP */
#Form1, #Form4, #Form5, #Form6, #Form7, #Form8, #Form9, QDialog { background-color: #ece9d8; }
QWidget { color: #000000; }
QLabel { background: transparent; color: #000000; }
QGroupBox { background-color: #f4f2e8; border: 1px solid #7f9db9; border-radius: 5px; margin-top: 10px; padding-top: 6px; }
QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; color: #0046d5; }
#suiToolBar1 { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f8f7f0, stop:1 #d8d3bd); border-bottom: 1px solid #7f9db9; }
#suiToolBar1 QToolButton { background: transparent; color: #000000; border: 1px solid transparent; border-radius: 5px; }
#suiToolBar1 QToolButton:hover { background: rgba(255, 255, 255, 70); border-color: #316ac5; }
#suiToolBar1 QToolButton:disabled { color: #8c8c8c; }
QPushButton { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #e2dfd2); color: #1a1a1a; border: 1px solid #7f9db9; border-radius: 3px; padding: 2px 8px; }
QPushButton:hover { border-color: #316ac5; }
QPushButton:pressed { background: #e2dfd2; }
QPushButton:disabled { background: #e2dfd2; color: #8c8c8c; }
QLineEdit, QComboBox { background: #ffffff; color: #1a1a1a; border: 1px solid #7f9db9; border-radius: 2px; padding: 1px 4px; }
QComboBox:disabled, QLineEdit:disabled { color: #8c8c8c; }
QComboBox QAbstractItemView { background: #ffffff; color: #1a1a1a; selection-background-color: #316ac5; selection-color: #ffffff; }
QTreeView, QListView, QPlainTextEdit { background: #ffffff; color: #1a1a1a; alternate-background-color: #f6f5ee; border: 1px solid #7f9db9; selection-background-color: #316ac5; selection-color: #ffffff; }
QHeaderView::section { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #e2dfd2); color: #1a1a1a; border: none; border-right: 1px solid #7f9db9; border-bottom: 1px solid #7f9db9; padding: 2px 4px; }
QStatusBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f8f7f0, stop:1 #d8d3bd); color: #000000; border-top: 1px solid #7f9db9; }
QStatusBar QLabel { color: #000000; }
QMenu { background: #ffffff; color: #1a1a1a; border: 1px solid #7f9db9; }
QMenu::item { padding: 4px 24px 4px 24px; }
QMenu::item:selected { background: #316ac5; color: #ffffff; }
QMenu::item:disabled { color: #8c8c8c; }
QMenu::separator { height: 1px; background: #7f9db9; margin: 3px 6px; }
QSlider::groove:horizontal { height: 4px; background: #7f9db9; border-radius: 2px; }
QSlider::handle:horizontal { background: #316ac5; border: 1px solid #7f9db9; width: 10px; margin: -6px 0; border-radius: 3px; }
QCheckBox, QRadioButton { color: #000000; background: transparent; }
QCheckBox::indicator, QGroupBox::indicator { width: 12px; height: 12px; border: 1px solid #1a1a1a; border-radius: 2px; background: #ffffff; }
QRadioButton::indicator { width: 12px; height: 12px; border: 1px solid #1a1a1a; border-radius: 7px; background: #ffffff; }
QCheckBox::indicator:checked, QGroupBox::indicator:checked, QRadioButton::indicator:checked { background: qradialgradient(cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5, stop:0 #316ac5, stop:0.55 #316ac5, stop:0.65 #ffffff); }
QCheckBox::indicator:disabled, QGroupBox::indicator:disabled, QRadioButton::indicator:disabled { border-color: #7f9db9; }
QScrollBar { color: #1a1a1a; }
#Panel2 { background: #000000; }
)qss");
    if (styleName == "DeepBlue")
        return QStringLiteral(R"qss(/* DeepBlue */
#Form1, #Form4, #Form5, #Form6, #Form7, #Form8, #Form9, QDialog { background-color: #1c365a; }
QWidget { color: #ffffff; }
QLabel { background: transparent; color: #ffffff; }
QGroupBox { background-color: #244571; border: 1px solid #4f77a8; border-radius: 5px; margin-top: 10px; padding-top: 6px; }
QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; color: #9fd0ff; }
#suiToolBar1 { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #2f5a90, stop:1 #132a48); border-bottom: 1px solid #4f77a8; }
#suiToolBar1 QToolButton { background: transparent; color: #ffffff; border: 1px solid transparent; border-radius: 5px; }
#suiToolBar1 QToolButton:hover { background: rgba(255, 255, 255, 40); border-color: #5fa8ff; }
#suiToolBar1 QToolButton:disabled { color: #7d93b3; }
QPushButton { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #dbe7f7, stop:1 #a9c3e6); color: #1a1a1a; border: 1px solid #4f77a8; border-radius: 3px; padding: 2px 8px; }
QPushButton:hover { border-color: #5fa8ff; }
QPushButton:pressed { background: #a9c3e6; }
QPushButton:disabled { background: #a9c3e6; color: #7c8fa8; }
QLineEdit, QComboBox { background: #ffffff; color: #1a1a1a; border: 1px solid #4f77a8; border-radius: 2px; padding: 1px 4px; }
QComboBox:disabled, QLineEdit:disabled { color: #7c8fa8; }
QComboBox QAbstractItemView { background: #ffffff; color: #1a1a1a; selection-background-color: #5fa8ff; selection-color: #061a33; }
QTreeView, QListView, QPlainTextEdit { background: #ffffff; color: #1a1a1a; alternate-background-color: #eef3fa; border: 1px solid #4f77a8; selection-background-color: #5fa8ff; selection-color: #061a33; }
QHeaderView::section { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #dbe7f7, stop:1 #a9c3e6); color: #1a1a1a; border: none; border-right: 1px solid #4f77a8; border-bottom: 1px solid #4f77a8; padding: 2px 4px; }
QStatusBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #2f5a90, stop:1 #132a48); color: #ffffff; border-top: 1px solid #4f77a8; }
QStatusBar QLabel { color: #ffffff; }
QMenu { background: #ffffff; color: #1a1a1a; border: 1px solid #4f77a8; }
QMenu::item { padding: 4px 24px 4px 24px; }
QMenu::item:selected { background: #5fa8ff; color: #061a33; }
QMenu::item:disabled { color: #7c8fa8; }
QMenu::separator { height: 1px; background: #4f77a8; margin: 3px 6px; }
QSlider::groove:horizontal { height: 4px; background: #4f77a8; border-radius: 2px; }
QSlider::handle:horizontal { background: #5fa8ff; border: 1px solid #4f77a8; width: 10px; margin: -6px 0; border-radius: 3px; }
QCheckBox, QRadioButton { color: #ffffff; background: transparent; }
QCheckBox::indicator, QGroupBox::indicator { width: 12px; height: 12px; border: 1px solid #1a1a1a; border-radius: 2px; background: #ffffff; }
QRadioButton::indicator { width: 12px; height: 12px; border: 1px solid #1a1a1a; border-radius: 7px; background: #ffffff; }
QCheckBox::indicator:checked, QGroupBox::indicator:checked, QRadioButton::indicator:checked { background: qradialgradient(cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5, stop:0 #5fa8ff, stop:0.55 #5fa8ff, stop:0.65 #ffffff); }
QCheckBox::indicator:disabled, QGroupBox::indicator:disabled, QRadioButton::indicator:disabled { border-color: #4f77a8; }
QScrollBar { color: #1a1a1a; }
#Panel2 { background: #000000; }
)qss");
    if (styleName == "Protein")
        return QStringLiteral(R"qss(/* Protein */
#Form1, #Form4, #Form5, #Form6, #Form7, #Form8, #Form9, QDialog { background-color: #dde5ee; }
QWidget { color: #1f2d3d; }
QLabel { background: transparent; color: #1f2d3d; }
QGroupBox { background-color: #e9eff5; border: 1px solid #8ea6bf; border-radius: 5px; margin-top: 10px; padding-top: 6px; }
QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; color: #3d5f82; }
#suiToolBar1 { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #bfd0e2); border-bottom: 1px solid #8ea6bf; }
#suiToolBar1 QToolButton { background: transparent; color: #1f2d3d; border: 1px solid transparent; border-radius: 5px; }
#suiToolBar1 QToolButton:hover { background: rgba(255, 255, 255, 70); border-color: #5f86ae; }
#suiToolBar1 QToolButton:disabled { color: #8c8c8c; }
QPushButton { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fbfdff, stop:1 #cdd9e6); color: #1a1a1a; border: 1px solid #8ea6bf; border-radius: 3px; padding: 2px 8px; }
QPushButton:hover { border-color: #5f86ae; }
QPushButton:pressed { background: #cdd9e6; }
QPushButton:disabled { background: #cdd9e6; color: #8c8c8c; }
QLineEdit, QComboBox { background: #ffffff; color: #1a1a1a; border: 1px solid #8ea6bf; border-radius: 2px; padding: 1px 4px; }
QComboBox:disabled, QLineEdit:disabled { color: #8c8c8c; }
QComboBox QAbstractItemView { background: #ffffff; color: #1a1a1a; selection-background-color: #5f86ae; selection-color: #ffffff; }
QTreeView, QListView, QPlainTextEdit { background: #ffffff; color: #1a1a1a; alternate-background-color: #f1f5f9; border: 1px solid #8ea6bf; selection-background-color: #5f86ae; selection-color: #ffffff; }
QHeaderView::section { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fbfdff, stop:1 #cdd9e6); color: #1a1a1a; border: none; border-right: 1px solid #8ea6bf; border-bottom: 1px solid #8ea6bf; padding: 2px 4px; }
QStatusBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #bfd0e2); color: #1f2d3d; border-top: 1px solid #8ea6bf; }
QStatusBar QLabel { color: #1f2d3d; }
QMenu { background: #ffffff; color: #1a1a1a; border: 1px solid #8ea6bf; }
QMenu::item { padding: 4px 24px 4px 24px; }
QMenu::item:selected { background: #5f86ae; color: #ffffff; }
QMenu::item:disabled { color: #8c8c8c; }
QMenu::separator { height: 1px; background: #8ea6bf; margin: 3px 6px; }
QSlider::groove:horizontal { height: 4px; background: #8ea6bf; border-radius: 2px; }
QSlider::handle:horizontal { background: #5f86ae; border: 1px solid #8ea6bf; width: 10px; margin: -6px 0; border-radius: 3px; }
QCheckBox, QRadioButton { color: #1f2d3d; background: transparent; }
QCheckBox::indicator, QGroupBox::indicator { width: 12px; height: 12px; border: 1px solid #1a1a1a; border-radius: 2px; background: #ffffff; }
QRadioButton::indicator { width: 12px; height: 12px; border: 1px solid #1a1a1a; border-radius: 7px; background: #ffffff; }
QCheckBox::indicator:checked, QGroupBox::indicator:checked, QRadioButton::indicator:checked { background: qradialgradient(cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5, stop:0 #5f86ae, stop:0.55 #5f86ae, stop:0.65 #ffffff); }
QCheckBox::indicator:disabled, QGroupBox::indicator:disabled, QRadioButton::indicator:disabled { border-color: #8ea6bf; }
QScrollBar { color: #1a1a1a; }
#Panel2 { background: #000000; }
)qss");
    if (styleName == "BlueGlass")
        return QStringLiteral(R"qss(/* BlueGlass */
#Form1, #Form4, #Form5, #Form6, #Form7, #Form8, #Form9, QDialog { background-color: #c9dff5; }
QWidget { color: #0d2a4a; }
QLabel { background: transparent; color: #0d2a4a; }
QGroupBox { background-color: #ddecfb; border: 1px solid #7aa7d8; border-radius: 5px; margin-top: 10px; padding-top: 6px; }
QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; color: #1559a8; }
#suiToolBar1 { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f0f8ff, stop:1 #8fbfee); border-bottom: 1px solid #7aa7d8; }
#suiToolBar1 QToolButton { background: transparent; color: #0d2a4a; border: 1px solid transparent; border-radius: 5px; }
#suiToolBar1 QToolButton:hover { background: rgba(255, 255, 255, 70); border-color: #2f7ed8; }
#suiToolBar1 QToolButton:disabled { color: #8c8c8c; }
QPushButton { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4faff, stop:1 #b5d5f5); color: #1a1a1a; border: 1px solid #7aa7d8; border-radius: 3px; padding: 2px 8px; }
QPushButton:hover { border-color: #2f7ed8; }
QPushButton:pressed { background: #b5d5f5; }
QPushButton:disabled { background: #b5d5f5; color: #8c8c8c; }
QLineEdit, QComboBox { background: #ffffff; color: #1a1a1a; border: 1px solid #7aa7d8; border-radius: 2px; padding: 1px 4px; }
QComboBox:disabled, QLineEdit:disabled { color: #8c8c8c; }
QComboBox QAbstractItemView { background: #ffffff; color: #1a1a1a; selection-background-color: #2f7ed8; selection-color: #ffffff; }
QTreeView, QListView, QPlainTextEdit { background: #ffffff; color: #1a1a1a; alternate-background-color: #eaf4fe; border: 1px solid #7aa7d8; selection-background-color: #2f7ed8; selection-color: #ffffff; }
QHeaderView::section { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4faff, stop:1 #b5d5f5); color: #1a1a1a; border: none; border-right: 1px solid #7aa7d8; border-bottom: 1px solid #7aa7d8; padding: 2px 4px; }
QStatusBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f0f8ff, stop:1 #8fbfee); color: #0d2a4a; border-top: 1px solid #7aa7d8; }
QStatusBar QLabel { color: #0d2a4a; }
QMenu { background: #ffffff; color: #1a1a1a; border: 1px solid #7aa7d8; }
QMenu::item { padding: 4px 24px 4px 24px; }
QMenu::item:selected { background: #2f7ed8; color: #ffffff; }
QMenu::item:disabled { color: #8c8c8c; }
QMenu::separator { height: 1px; background: #7aa7d8; margin: 3px 6px; }
QSlider::groove:horizontal { height: 4px; background: #7aa7d8; border-radius: 2px; }
QSlider::handle:horizontal { background: #2f7ed8; border: 1px solid #7aa7d8; width: 10px; margin: -6px 0; border-radius: 3px; }
QCheckBox, QRadioButton { color: #0d2a4a; background: transparent; }
QCheckBox::indicator, QGroupBox::indicator { width: 12px; height: 12px; border: 1px solid #1a1a1a; border-radius: 2px; background: #ffffff; }
QRadioButton::indicator { width: 12px; height: 12px; border: 1px solid #1a1a1a; border-radius: 7px; background: #ffffff; }
QCheckBox::indicator:checked, QGroupBox::indicator:checked, QRadioButton::indicator:checked { background: qradialgradient(cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5, stop:0 #2f7ed8, stop:0.55 #2f7ed8, stop:0.65 #ffffff); }
QCheckBox::indicator:disabled, QGroupBox::indicator:disabled, QRadioButton::indicator:disabled { border-color: #7aa7d8; }
QScrollBar { color: #1a1a1a; }
#Panel2 { background: #000000; }
)qss");
    return QString();
}
