#include "handheld/qt/export_window.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "canvas/memo_export.h"
#include "handheld/notepad.h"
#include "platform/qt/qt_main_window.h"
#include "platform/qt/qt_paths.h"
#include "platform/qt/qt_picture_sheets.h"

namespace tavrin::handheld {
namespace {

using platform::PathOf;
using platform::QtPath;

const QString kExportFolderKey = QStringLiteral("exportFolder");

QGroupBox* Choices(const QString& title, QRadioButton* first, QRadioButton* second, QWidget* owner) {
    auto* group = new QGroupBox(title, owner);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(first);
    layout->addWidget(second);
    first->setChecked(true);
    return group;
}

std::string Memos(std::size_t count) { return std::to_string(count) + (count == 1 ? " memo" : " memos"); }

void ShowError(platform::QtMainWindow& window, const std::string& text) {
    window.ShowMessage(text, "Error", platform::MessageIcon::Error);
}

// Where the chosen memos go: a PDF's name, one picture's name, or the folder
// of every memo's pictures; empty when the user cancelled.
QString AskTarget(const ExportDialog& choice, const std::vector<PngExport>& memos, QWidget* owner) {
    // The folder the last export went to, in this run or an earlier one.
    const QString folder = platform::RememberedFolder(kExportFolderKey);
    if (choice.AsPdf()) {
        const QString name = choice.EveryMemo() ? QStringLiteral("memos.pdf")
                                                : QtPath(PngName(memos.front().position)).replace(QStringLiteral(".png"), QStringLiteral(".pdf"));
        return QFileDialog::getSaveFileName(owner, QStringLiteral("Export as PDF"), QDir(folder).filePath(name),
                                            QStringLiteral("PDF documents (*.pdf)"));
    }
    if (!choice.EveryMemo()) {
        return QFileDialog::getSaveFileName(owner, QStringLiteral("Export as PNG"),
                                            QDir(folder).filePath(QtPath(PngName(memos.front().position))),
                                            QStringLiteral("PNG pictures (*.png)"));
    }
    return QFileDialog::getExistingDirectory(owner, QStringLiteral("Export as PNG pictures into a folder"), folder);
}

// A name typed without the format's ending gets it.
QString WithSuffix(QString name, const QString& suffix) {
    if (!name.endsWith(suffix, Qt::CaseInsensitive)) name += suffix;
    return name;
}

// The first failure, or empty.
std::string WritePictures(std::vector<PngExport>& memos, const QString& target, bool everyMemo) {
    if (everyMemo) {
        for (PngExport& memo : memos) memo.target = PathOf(QDir(target).filePath(QtPath(PngName(memo.position))));
    } else {
        memos.front().target = PathOf(WithSuffix(target, QStringLiteral(".png")));
    }
    WritePngs(memos);
    const auto failed = std::find_if(memos.begin(), memos.end(), [](const PngExport& memo) { return !memo.written; });
    return failed == memos.end() ? std::string() : failed->error;
}

std::string WritePdf(std::vector<PngExport>& memos, const QString& target) {
    std::string error;
    const std::unique_ptr<platform::PagedDocument> document =
        platform::StartPdf(PathOf(WithSuffix(target, QStringLiteral(".pdf"))), error);
    if (document == nullptr || !WriteSheets(*document, memos, error)) return error;
    return {};
}

// The memos a print range names, 1-based as the counter shows them.
std::vector<PngExport> MemosInRange(const MemoList& list, const QPrinter& printer) {
    switch (printer.printRange()) {
        case QPrinter::CurrentPage: return MemosToWrite(list, list.CurrentIndex(), list.CurrentIndex());
        case QPrinter::PageRange:
            return MemosToWrite(list, static_cast<std::size_t>(std::max(printer.fromPage(), 1)),
                                static_cast<std::size_t>(std::max(printer.toPage(), printer.fromPage())));
        default: return MemosToWrite(list, 1, list.Count());
    }
}

}  // namespace

ExportDialog::ExportDialog(QWidget* owner)
    : QDialog(owner),
      everyMemo_(new QRadioButton(QStringLiteral("&Every memo"), this)),
      thisMemo_(new QRadioButton(QStringLiteral("The memo &shown"), this)),
      pdf_(new QRadioButton(QStringLiteral("One &PDF document, a memo a page"), this)),
      png_(new QRadioButton(QStringLiteral("P&NG pictures, one a memo"), this)) {
    setWindowTitle(QStringLiteral("Export"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Export…"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Choices(QStringLiteral("Memos"), everyMemo_, thisMemo_, this));
    layout->addWidget(Choices(QStringLiteral("As"), pdf_, png_, this));
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool ExportDialog::EveryMemo() const { return everyMemo_->isChecked(); }
bool ExportDialog::AsPdf() const { return pdf_->isChecked(); }

void ExportDialog::Choose(bool everyMemo, bool asPdf) {
    (everyMemo ? everyMemo_ : thisMemo_)->setChecked(true);
    (asPdf ? pdf_ : png_)->setChecked(true);
}

void ExportMemos(Notepad& notepad, platform::QtMainWindow& window) {
    notepad.RunDialog([&] {
        ExportDialog choice(&window);
        if (choice.exec() != QDialog::Accepted) return;
        const MemoList& list = notepad.Canvas().List();
        std::vector<PngExport> memos = choice.EveryMemo() ? MemosToWrite(list, 1, list.Count())
                                                          : MemosToWrite(list, list.CurrentIndex(), list.CurrentIndex());
        const QString target = AskTarget(choice, memos, &window);
        if (target.isEmpty()) return;
        const std::string error =
            choice.AsPdf() ? WritePdf(memos, target) : WritePictures(memos, target, choice.EveryMemo());
        if (!error.empty()) {
            ShowError(window, error);
            return;
        }
        const QFileInfo written(target);
        QSettings().setValue(kExportFolderKey, choice.EveryMemo() && !choice.AsPdf() ? written.absoluteFilePath()
                                                                                     : written.absolutePath());
        notepad.ShowNote("Exported " + Memos(memos.size()));
    });
}

void PrintMemos(Notepad& notepad, platform::QtMainWindow& window) {
    notepad.RunDialog([&] {
        const MemoList& list = notepad.Canvas().List();
        QPrinter printer(QPrinter::HighResolution);
        QPrintDialog dialog(&printer, &window);
        dialog.setWindowTitle(QStringLiteral("Print memos"));
        dialog.setOption(QAbstractPrintDialog::PrintCurrentPage);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange);
        dialog.setMinMax(1, list.Count());
        if (dialog.exec() != QDialog::Accepted) return;
        std::vector<PngExport> memos = MemosInRange(list, printer);
        std::string error = "Cannot print: the range holds no memo";
        if (memos.empty() || !WriteSheets(*platform::StartPrint(printer), memos, error)) {
            ShowError(window, error);
            return;
        }
        notepad.ShowNote("Printed " + Memos(memos.size()));
    });
}

}  // namespace tavrin::handheld
