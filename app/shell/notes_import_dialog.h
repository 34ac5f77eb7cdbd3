// The dialog of "导入…" in the notes editor: the file, its format and encoding (the one found
// shown and changeable), the split rule with the heading pattern, a preview of the notes before
// anything is written, and the import itself on a worker thread with a progress bar and a
// cancel. What it reads and writes is services/notes_import.
#pragma once

#include "services/notes_import.h"

#include <QDialog>
#include <QTimer>

#include <atomic>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QThread;
class QTreeWidget;

namespace meridane {

class NotesImportDialog : public QDialog {
    Q_OBJECT
public:
    // notesFile: the notes database the notes go into.
    explicit NotesImportDialog(const QString& notesFile, QWidget* parent = nullptr);
    ~NotesImportDialog() override;

    // Reads path and previews it in the format its name suggests and the encoding found.
    void openFile(const QString& path);
    // Writes the notes previewed; the dialog closes (accepted) once they are in the file.
    void startImport();
    bool importing() const { return worker_ != nullptr; }
    // What the import wrote, once it has.
    const std::optional<ImportSummary>& result() const { return result_; }
    // The notes as previewed, with the titles they will get.
    const std::vector<ImportedNote>& notes() const { return notes_; }
    const TitlePlan& titles() const { return plan_; }

    QPushButton* chooseButton;
    QLabel* fileLabel;
    QComboBox* format;
    QComboBox* encoding;
    QLabel* detected; // the encoding found in the file
    QComboBox* rule;
    QLineEdit* pattern;
    QLabel* summary; // how many notes, how many renamed, or why the file cannot be imported
    QTreeWidget* preview;
    QProgressBar* progress;
    QPushButton* importButton;
    QPushButton* cancelButton;

    // "取消", Esc and the close box cancel an import at work and wait for its rollback.
    void reject() override;

signals:
    // The worker is done: imported, cancelled or failed.
    void importEnded();

private:
    void chooseFile();
    void refresh(); // reads the file again with the choices made and shows the preview
    void finishImport();
    ImportSource source() const;

    QString notesFile_;
    QString path_;
    QByteArray bytes_;
    QSet<QString> taken_;
    std::vector<ImportedNote> notes_;
    TitlePlan plan_;
    QTimer refreshSoon_;
    std::atomic<bool> cancel_{false};
    QThread* worker_ = nullptr;
    std::optional<ImportSummary> result_;
    QString failure_; // why the worker wrote nothing
    bool cancelled_ = false;
};

} // namespace meridane
