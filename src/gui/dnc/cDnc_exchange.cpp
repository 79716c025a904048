// The DNC panel's exchange with the CNC-side server and its DataMatrix
// readings.
#include "dnc/cDnc.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QPushButton>

#include <cstdio>

#include "dnc/AskDataMatrix.h"
#include "dnc/DncScript.h"
#include "dnc/DncValues.h"
#include "dnc/dmScanner.h"
#include "keyboard/myinputpanelcontext.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"

bool cDnc::plainText() const
{
    return DncProtocol::isPlainText(CurrentMachine.dncFormat, CurrentMachine.toolId);
}

QList<QPair<QString, QString>> cDnc::exchangedValues() const
{
    QList<QPair<QString, QString>> values;
    for (const DatiDnc &f : fields)
        if (!f.DncLabel.isEmpty())
            values << qMakePair(f.DncLabel, f.value.isNull() ? QString() : f.value.toString());
    return values;
}

QString cDnc::createJson(eJsonPayloadType type)
{
    return DncProtocol::jsonFrame(DncProtocol::PayloadType(type), ui.lblDataMatrixCode->text(), CurrentMachine.name,
                                  exchangedValues());
}

void cDnc::writeFrame(const QString &frame)
{
    // A reply is what comes after its send: what waits now answers no send.
    const qint64 waiting = receiveBuffer.size() + socket.bytesAvailable();
    if (waiting > 0) {
        std::fprintf(stderr, "cDnc: %lld bytes received before a send dropped\n", static_cast<long long>(waiting));
        receiveBuffer.clear();
        socket.readAll();
    }
    framesWait = false;
    socket.write(frame.toUtf8());
    timer.start();
}

void cDnc::openConnection()
{
    ui.lblMessage->setText(QString());
    socket.abort();
    // A new connection starts with nothing of an earlier one.
    receiveBuffer.clear();
    QString host;
    quint16 port = 0;
    if (!DncProtocol::parseSocket(CurrentMachine.dncSocket, host, port)) {
        QMessageBoxKovra::critical(parentWindow, QStringLiteral("DNC"),
                                   tr("Invalid socket settings") + QLatin1Char('\n') + CurrentMachine.dncSocket,
                                   QMessageBox::Ok);
        return;
    }
    socket.connectToHost(host, port);
}

void cDnc::updSocketStatus(QAbstractSocket::SocketState state)
{
    ui.pbWrite->setEnabled(false);
    ui.pbDataMatrix->setEnabled(false);
    switch (state) {
    case QAbstractSocket::UnconnectedState:
        // No reply comes on a closed line: its loss is the one box.
        timer.stop();
        ui.lblMessage->setText(tr("Not connected"));
        break;
    case QAbstractSocket::ConnectingState:
        ui.lblMessage->setText(tr("Connecting..."));
        break;
    case QAbstractSocket::ConnectedState:
        ui.lblMessage->setText(QStringLiteral("Connected"));
        ui.pbWrite->setEnabled(true);
        ui.pbDataMatrix->setEnabled(true);
        if (CurrentMachine.toolId) {
            writeFrame(createJson(GetValues));
            ui.pbWrite->setEnabled(false);
            ui.pbDataMatrix->setEnabled(false);
        }
        break;
    case QAbstractSocket::ClosingState:
        ui.lblMessage->setText(tr("Closing..."));
        break;
    default:
        ui.lblMessage->setText(QStringLiteral("%1").arg(int(state)));
    }
}

void cDnc::displayError(QAbstractSocket::SocketError)
{
    const QString text = tr("Connection error:") + socket.errorString();
    DncScript::afterScripts(this, [this, text] { QMessageBoxKovra::warning(this, tr("Dnc"), text, QMessageBox::Ok); });
}

void cDnc::sendData()
{
    MyInputPanelContext::fieldDone(this);
    QString msg;
    if (!validateData(msg)) {
        const QString text = tr("One or more field(s) are out of bounds") + QStringLiteral("\n\n") + msg
                             + QStringLiteral("\n\n");
        // A value the plain-text line cannot carry is never sent.
        if (ForceConstraints || unsendable) {
            QMessageBoxKovra::critical(parentWindow, QStringLiteral("DNC"), text + tr("Unable to continue"),
                                       QMessageBox::Ok);
            return;
        }
        if (QMessageBoxKovra::warning(parentWindow, QStringLiteral("DNC"), text + tr("Confirm writing?"),
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            == QMessageBox::No)
            return;
    }
    if (CurrentMachine.toolId) {
        readDataMatrix(ConfirmSend);
        return;
    }
    writeFrame(plainText() ? DncProtocol::plainFrame(exchangedValues()) : createJson(SetValues));
    ui.pbWrite->setEnabled(false);
    ui.pbDataMatrix->setEnabled(false);
}

// A reply that arrives while a field script runs is taken once it has
// returned: its boxes and the fields it fills would come in the middle. It is
// timed by its arrival all the same, so the reply timer stops as soon as the
// bytes of a complete reply are here.
void cDnc::readSocket()
{
    // The reply in hand reads what came meanwhile once it is done.
    if (handlingReply)
        return;
    if (!receive(socket.readAll()))
        return;
    if (!DncScript::afterScripts(this, [this] { takeReplies(); }))
        framesWait = true;
}

bool cDnc::receive(const QByteArray &bytes)
{
    if (!receiveBuffer.append(bytes))
        return false; // too long without a complete reply: dropped like a broken frame
    if (plainText() ? receiveBuffer.findPlain() != DncProtocol::NoReply : receiveBuffer.hasDocument())
        timer.stop();
    return true;
}

// Every frame is handled as if it came alone, in the order they came, even
// when a field script or a box ran while an earlier one was handled.
void cDnc::takeReplies()
{
    if (handlingReply)
        return;
    handlingReply = true;
    while (!acknowledged && takeReply()) {
        // The socket does not announce again what came while its own
        // notification was handled.
        framesWait = true;
        // A reply that ended the exchange closed the line.
        if (!socket.isOpen() || !receive(socket.readAll()))
            break;
    }
    framesWait = false;
    handlingReply = false;
}

bool cDnc::takeReply()
{
    if (plainText()) {
        const DncProtocol::PlainReply r = receiveBuffer.findPlain();
        if (r == DncProtocol::NoReply)
            return false;
        receiveBuffer.clear();
        if (r == DncProtocol::Ack)
            QMessageBoxKovra::information(parentWindow, QStringLiteral("DNC"), tr("Data sent with success"),
                                          QMessageBox::Ok);
        else if (r == DncProtocol::Busy)
            QMessageBoxKovra::warning(parentWindow, QStringLiteral("DNC"), tr("Server busy, unable to send data"),
                                      QMessageBox::Ok);
        else
            QMessageBoxKovra::critical(parentWindow, QStringLiteral("DNC"), tr("Server error, send data failed"),
                                       QMessageBox::Ok);
        replyHandled();
        return true;
    }
    // Frames that came while others waited are each taken; otherwise what
    // came after a frame goes with it.
    QJsonDocument doc;
    const DncProtocol::ReplyBuffer::JsonResult r = receiveBuffer.takeJson(doc, framesWait);
    if (r == DncProtocol::ReplyBuffer::Document) {
        emit jsonReceived(doc);
        replyHandled();
    }
    return r != DncProtocol::ReplyBuffer::Waiting;
}

void cDnc::replyHandled()
{
    ui.pbWrite->setEnabled(true);
    ui.pbDataMatrix->setEnabled(true);
    if (acknowledged) {
        emit tidDataOk(true);
        closeForm();
    }
}

void cDnc::processJson(QJsonDocument document)
{
    reading = NoReading;
    const QJsonObject root = document.object();
    if (root.contains(QLatin1String("SetValues"))) {
        const QJsonObject values = root.value(QLatin1String("SetValues")).toObject();
        for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
            const auto index = dncLabelIndex.constFind(it.key());
            if (index == dncLabelIndex.constEnd() || index.value() >= fields.size())
                continue;
            DatiDnc &f = fields[index.value()];
            // A text is read through the field's Format as a stored text is:
            // a server that keeps what it was sent gives the number back.
            f.value = it.value().isString() ? DncValues::textValue(f, it.value().toString()) : it.value().toVariant();
            setTableValue(index.value());
        }
        dataChanged = false;
    } else if (root.contains(QLatin1String("Acknowledge"))) {
        const QJsonObject ack = root.value(QLatin1String("Acknowledge")).toObject();
        const QJsonValue error = ack.value(QLatin1String("ERROR"));
        if (error.isString() && error.toString().isEmpty()) {
            dataChanged = false;
            acknowledged = true;
        } else {
            QMessageBoxKovra::critical(parentWidget(), tr("Error"),
                                       tr("Error received from server [%1]").arg(error.toVariant().toString()),
                                       QMessageBox::Ok);
        }
    }
    reading = NoReading;
}

void cDnc::serverTimeout()
{
    timer.stop();
    DncScript::afterScripts(this, [this] {
        QMessageBoxKovra::critical(parentWindow, QStringLiteral("DNC"), tr("Server timeout"), QMessageBox::Ok);
    });
}

// DataMatrix ----------------------------------------------------------------------

int cDnc::readDataMatrix(eReadingMode mode)
{
    QWidget *content = parentWidget();
    if (content)
        content->setEnabled(false);
    reading = mode;
    int result = 0;
    if (confirmation || mode == ReadId) {
        scanner = new dmScanner;
        if (!scanner->isOpened()) {
            const QString busy = scanner->inUseText();
            QMessageBoxKovra::critical(content, tr("Error"),
                                       busy.isEmpty() ? tr("Datamatrix reader unavailable or not ready") : busy,
                                       QMessageBox::Ok);
        } else {
            AskDataMatrix *dialog = new AskDataMatrix(content);
            dialog->move((640 - dialog->width()) / 2, (640 - dialog->height()) / 2 + 128);
            // A window of the disabled content: enabled on its own so that its
            // exit button stays the operator's way out.
            dialog->setEnabled(true);
            const QMetaObject::Connection done = connect(this, &cDnc::validCodeReceived, dialog, &QDialog::done);
            connect(scanner, &dmScanner::receivedDmCode, this, &cDnc::setDmCode);
            result = dialog->exec();
            if (result == 1 && socket.state() == QAbstractSocket::ConnectedState) {
                writeFrame(createJson(mode == ConfirmSend ? SetValues : GetValues));
                ui.pbWrite->setEnabled(false);
                ui.pbDataMatrix->setEnabled(false);
            }
            disconnect(done);
            delete dialog;
        }
        delete scanner;
        scanner = nullptr;
    } else {
        if (QMessageBoxKovra::question(content, tr("Confirm"), tr("Send current data?"),
                                       QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes)
            writeFrame(createJson(SetValues));
    }
    if (content)
        content->setEnabled(true);
    reading = NoReading;
    return result;
}

void cDnc::setDmCode(QString code)
{
    switch (reading) {
    case ConfirmSend:
        if (code == ui.lblDataMatrixCode->text()) {
            emit validCodeReceived(1);
        } else {
            reading = NoReading;
            QMessageBoxKovra::critical(parentWidget(), tr("Error"),
                                       tr("Confirmation code [%1] different from current code [%2]")
                                           .arg(code, ui.lblDataMatrixCode->text()),
                                       QMessageBox::Ok);
            reading = ConfirmSend;
        }
        break;
    case ReadId:
        if (toolMode && code != toolCode) {
            reading = NoReading;
            QMessageBoxKovra::critical(parentWidget(), tr("Error"), tr("Read code different from current code"),
                                       QMessageBox::Ok);
            reading = ReadId;
        } else {
            ui.lblDataMatrixCode->setText(code);
            emit validCodeReceived(1);
        }
        break;
    case NoReading:
        break;
    }
}

void cDnc::getDataMatrix()
{
    if (dataChanged
        && QMessageBoxKovra::question(parentWindow, tr("Warning"),
                                      tr("Current data has changed but not yet saved") + QLatin1Char('\n')
                                          + tr("Continue and discard changes?"),
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
               == QMessageBox::No)
        return;
    readDataMatrix(ReadId);
}
