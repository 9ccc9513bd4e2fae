#pragma once

#include <QWidget>

// The help window "Помощь". Placeholder until the help is built.
class TFormHelp : public QWidget {
    Q_OBJECT
public:
    explicit TFormHelp(QWidget *parent = nullptr);
};
