#pragma once

#include <QObject>

class SerialLink;
namespace Ui {
class VELTRANO;
}

// Shows what the board sends, as it arrives and without interpreting it, in the reply fields.
class ReplyDisplay final : public QObject {
    Q_OBJECT
public:
    ReplyDisplay(Ui::VELTRANO& ui, SerialLink& link, QObject* parent = nullptr);

    void HandleInput(const QByteArray& received);

private:
    void onComm(int eventCode);

    Ui::VELTRANO& m_ui;
    SerialLink& m_link;
};
