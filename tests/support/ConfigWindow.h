#pragma once

#include "core/session/RaceSession.h"
#include "core/startlist/ClassStore.h"
#include "gui/settings/Form_Config.h"
#include "support/ShownMainWindow.h"

#include <functional>

// A child control by its object name; a test that cannot find it cannot go on.
template<typename T> T *child(QWidget *window, const char *name)
{
    T *found = window->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no %s", name);
    return found;
}

// The main window with the first class loaded and the configuration dialog beside it, on the
// session's settings as the program builds them. more adds what else the test needs.
struct ShownConfigWindow
{
    ShownMainWindow shown;
    TfrmConfig *config = nullptr;

    void open(const std::function<void(TfrmMain &)> &more = {})
    {
        shown.open([this, &more](ClassStore &store, TfrmMain &window) {
            QVERIFY(store.LoadCurrentClass().ok());
            config = new TfrmConfig(window.session().settings(), &window);
            window.setConfigDialog(config);
            if (more)
                more(window);
        });
    }
    void close()
    {
        shown.close();
        config = nullptr;
    }
};
