/* Glossmere skin: calm neutral window, soft buttons, teal focus; no sizes or fonts, so the fixed layout holds. */
#Form1 { background-color: #f3f4f1; color: #1f2a2e; }
QLabel { color: #2a383c; background: transparent; }

QPushButton {
    color: #1f3d44;
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #eaeeee);
    border: 1px solid #b4c0c3;
    border-radius: 5px;
    padding: 1px 7px;
}
QPushButton:hover { background-color: #f3f9f9; border-color: #5c9ea7; }
QPushButton:pressed { background-color: #d9e9ea; border-color: #2b7d88; }
/* The ring is one pixel wider, so the padding gives that pixel back and the label stays put. */
QPushButton:focus { border: 2px solid #2b7d88; padding: 0px 6px; }
QPushButton:disabled { color: #9aa5a8; background-color: #f0f1ef; border-color: #d3d9da; }

QLineEdit {
    color: #1f2a2e;
    background-color: #ffffff;
    border: 1px solid #b4c0c3;
    border-radius: 4px;
    padding: 0px 3px;
    selection-background-color: #2b7d88;
    selection-color: #ffffff;
}
QLineEdit:hover { border-color: #7fb1b8; }
QLineEdit:focus { border: 2px solid #2b7d88; padding: 0px 2px; }
QLineEdit:disabled { color: #9aa5a8; background-color: #f0f1ef; }

QGroupBox {
    background-color: #fafaf8;
    border: 1px solid #cdd5d6;
    border-radius: 6px;
    margin-top: 1ex;
}
QGroupBox::title {
    subcontrol-origin: margin;
    subcontrol-position: top left;
    left: 10px;
    padding: 0px 4px;
    color: #1f5f6b;
    background-color: #f3f4f1;
}

QTableView {
    color: #1f2a2e;
    background-color: #ffffff;
    alternate-background-color: #f5f8f7;
    border: 1px solid #bfc9cb;
    selection-background-color: #2b7d88;
    selection-color: #ffffff;
}
QTableView:focus { border-color: #2b7d88; }
QTableView::item:hover { background-color: #e6f1f1; color: #1f2a2e; }
QTableView::item:selected { background-color: #2b7d88; color: #ffffff; }
QHeaderView::section {
    color: #1f3d44;
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4f6f5, stop:1 #e4eaea);
    border: none;
    border-right: 1px solid #d0d8d9;
    border-bottom: 1px solid #b9c4c6;
    padding: 2px 6px;
}
QHeaderView::section:last { border-right: none; }
