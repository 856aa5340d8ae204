#pragma once

#include <QDialog>

class ClassNames;
class ListGridView;
class SettingsStore;

// The class editor: a grid of the ten class names. Every closing writes all ten to the settings.
class TfrmClasses final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmClasses)

public:
    TfrmClasses(ClassNames &names, SettingsStore &store, QWidget *parent = nullptr);
    ~TfrmClasses() override;

    void done(int result) override;

private:
    ClassNames &m_names;
    SettingsStore &m_store;
    ListGridView *Grid;
};
