// Folder selection and the file list.
#include "Unit1.h"

#include <QComboBox>

void TForm1::setupList() {}
void TForm1::STItem() {}
void TForm1::Edit1KeyPress(QChar key) { Q_UNUSED(key); }
void TForm1::FolderBtnClick() {}
void TForm1::FolderDlgSelectionChanged(TSHBrowseForFolderEx*, qintptr, const QString&, QString&, TOKButtonState&) {}
void TForm1::ChBox1Change() {}
void TForm1::ChBox2Change() {}
void TForm1::TagsLoad() {}
void TForm1::TagsSet(int row) { Q_UNUSED(row); }
