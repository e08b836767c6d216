#pragma once

#include <QDialog>

// The modal About box: the program's picture, title and version.
class TAboutBox : public QDialog
{
    Q_OBJECT

public:
    TAboutBox(const QString &title, const QString &version, QWidget *parent = nullptr);
};
