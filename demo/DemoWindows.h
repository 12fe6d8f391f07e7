// The demo's windows by name: `tovlet-demo --show NAME` opens one, with
// --screenshot it is rendered into a PNG instead, and `--show list` tells the
// names. Each window is registered once with a short description and a
// factory that builds it over the demo's main window, filled with the demo
// clinic's data. A factory only builds: a dialog is not run, so that a
// screenshot never waits for a person.
#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace demo {

class TDemoMainWindow;

// A built window and how it goes away again: a dialog of the base family is
// freed so that its own clean-up runs, a window held elsewhere (the main
// window, the please-wait window) is handed back to its holder.
using TDemoWindowPtr = std::unique_ptr<QWidget, std::function<void(QWidget *)>>;
TDemoWindowPtr OwnedWindow(QWidget *window);
TDemoWindowPtr HeldWindow(QWidget *window, std::function<void()> release = {});

// Builds the window over `main` (which lives longer than the window).
using TDemoWindowFactory = std::function<TDemoWindowPtr(TDemoMainWindow &main)>;

struct TDemoWindow
{
    QString Name;
    QString Description;
    TDemoWindowFactory Create;
};

// Adds a window under `name`; a second registration of a name replaces the
// first, keeping its place in the list.
void RegisterDemoWindow(const QString &name, const QString &description, TDemoWindowFactory factory);
// Every registered window, in the order of registration (the demo's own
// windows come first; they are registered on the first call).
QList<TDemoWindow> DemoWindows();
// nullptr when there is no window of that name.
const TDemoWindow *FindDemoWindow(const QString &name);
// "name  description" lines, as `--show list` prints them.
QString DemoWindowList();

// Shows the window without making it modal, lets it lay itself out and
// paint, and renders it (contents, without the window frame).
QImage RenderDemoWindow(QWidget *window);

} // namespace demo
