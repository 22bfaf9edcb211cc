#pragma once

#include <QColor>
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Every message box and file, folder and colour dialog of the program goes through here so that
// tests can answer them.
namespace Messages {

enum class Kind { Warning, Information, Question, OkCancel, YesNoCancel };

// A scripted answer: receives the kind and the text, returns the button pressed.
using Handler = std::function<QMessageBox::StandardButton(Kind, const QString&)>;
void setHandler(Handler handler);

void warning(QWidget* parent, const QString& text);
void information(QWidget* parent, const QString& text);
// Yes/No with the question icon; true for Yes.
bool question(QWidget* parent, const QString& text);
// OK/Cancel with the question icon; true for OK.
bool okCancel(QWidget* parent, const QString& text);
// Yes/No/Cancel with the question icon: the button pressed (Cancel when the box is closed).
QMessageBox::StandardButton yesNoCancel(QWidget* parent, const QString& text);

enum class Pick { OpenFile, OpenFiles, SaveFile, Folder, Color };
// A scripted choice: receives what is asked, the caption and the filter (the proposed name when saving,
// the current colour as "#RRGGBB"), returns the file, folder or colour name; "" for cancel.
using PickHandler = std::function<QString(Pick, const QString& caption, const QString& filterOrCurrent)>;
void setPickHandler(PickHandler handler);

// "" when cancelled.
QString openFileName(QWidget* parent, const QString& caption, const QString& folder, const QString& filter);
// Several files at once (a scripted answer gives them one per line); empty when cancelled.
QStringList openFileNames(QWidget* parent, const QString& caption, const QString& folder, const QString& filter);
QString saveFileName(QWidget* parent, const QString& caption, const QString& proposed, const QString& filter);
QString existingFolder(QWidget* parent, const QString& caption, const QString& folder);
// Invalid when cancelled.
QColor color(QWidget* parent, const QString& caption, const QColor& current);

} // namespace Messages
