// Tools > Export… and Tools > Print… of the Linux notepad: the memo shown or
// every memo, as PNG pictures, one PDF document, or on a printer.
#pragma once

#include <QDialog>

class QRadioButton;

namespace tavrin::platform {
class QtMainWindow;
}

namespace tavrin::handheld {

class Notepad;

// What to export: which memos, and as what.
class ExportDialog : public QDialog {
public:
    explicit ExportDialog(QWidget* owner);

    bool EveryMemo() const;
    bool AsPdf() const;
    // The choices, for a test or a caller that knows them: every memo or the
    // one shown, PDF or PNG.
    void Choose(bool everyMemo, bool asPdf);

private:
    QRadioButton* everyMemo_;
    QRadioButton* thisMemo_;
    QRadioButton* pdf_;
    QRadioButton* png_;
};

// Asks what to export and where, and writes it; a failure is said in a
// message box, what was written in the strip.
void ExportMemos(Notepad& notepad, platform::QtMainWindow& window);

// Qt's print dialog, its range in memos ("Current Page" is the memo shown),
// then the sheets to the printer it set up.
void PrintMemos(Notepad& notepad, platform::QtMainWindow& window);

}  // namespace tavrin::handheld
