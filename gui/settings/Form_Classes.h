#pragma once

#include <QDialog>

class ClassNames;
class ListGridView;
class RaceSession;
class SettingsStore;

// The class editor: a grid of the ten class names in force. Every closing writes all ten to the
// settings and puts them in force in the session's rules.
class TfrmClasses final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmClasses)

public:
    TfrmClasses(RaceSession &session, ClassNames &names, SettingsStore &store, QWidget *parent = nullptr);
    ~TfrmClasses() override;

    void done(int result) override;

private:
    RaceSession &m_session;
    ClassNames &m_names;
    SettingsStore &m_store;
    ListGridView *Grid;
};
