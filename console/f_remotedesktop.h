#pragma once
// The window that shows one computer's screen. Created hidden at start; it shows itself when
// a computer starts sending its screen.

#include <QWidget>

namespace corvela {

class TFRemoteDesktop : public QWidget
{
    Q_OBJECT
public:
    explicit TFRemoteDesktop(QWidget *parent = nullptr) : QWidget(parent)
    {
        setObjectName(u"TFRemoteDesktop"_qs);
        hide();
    }
};

} // namespace corvela
