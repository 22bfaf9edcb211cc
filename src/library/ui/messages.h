#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

// Every message box of the program goes through here so that tests can answer them.
namespace Messages {

enum class Kind { Warning, Information, Question };

// A scripted answer: receives the kind and the text, returns the button pressed.
using Handler = std::function<QMessageBox::StandardButton(Kind, const QString&)>;
void setHandler(Handler handler);

void warning(QWidget* parent, const QString& text);
void information(QWidget* parent, const QString& text);
// Yes/No with the question icon; true for Yes.
bool question(QWidget* parent, const QString& text);

} // namespace Messages
