// A real image format of the tests' own, read through Qt's plugin machinery like any other: a
// held photo file holds a marker and a number, and its reader waits inside read() until the test
// hands it the photo's bytes. It takes the place of a FIFO, which every reader of the program
// refuses before opening it.
#define QT_STATICPLUGIN

#include "batchtestsupport.h"

#include <QImageIOHandler>
#include <QImageIOPlugin>
#include <QMap>
#include <QMutex>
#include <QWaitCondition>
#include <QtPlugin>

#include <memory>

namespace {

const QByteArray Marker("VORLACH-HELD-PHOTO ");

struct Gate {
    bool entered = false;
    bool released = false;
    QByteArray bytes;
};

// Every gate of the process; a handler keeps its own reference while it waits.
QMutex gatesMutex;
QWaitCondition gatesChanged;
QMap<int, std::shared_ptr<Gate>> gates;
int lastGateId = 0;

class HeldPhotoHandler : public QImageIOHandler {
public:
    bool canRead() const override {
        if (device() == nullptr || device()->peek(Marker.size()) != Marker)
            return false;
        setFormat("heldphoto");
        return true;
    }

    bool read(QImage* image) override {
        const QByteArray content = device()->readAll();
        if (!content.startsWith(Marker))
            return false;
        const int id = content.mid(Marker.size()).trimmed().toInt();
        QMutexLocker lock(&gatesMutex);
        const std::shared_ptr<Gate> gate = gates.value(id);
        if (!gate)
            return false;
        gate->entered = true;
        gatesChanged.wakeAll();
        while (!gate->released)
            gatesChanged.wait(&gatesMutex);
        const QByteArray bytes = gate->bytes;
        lock.unlock();
        QImage decoded;
        if (bytes.isEmpty() || !decoded.loadFromData(bytes))
            return false;
        *image = decoded;
        return true;
    }
};

} // namespace

class HeldPhotoPlugin : public QImageIOPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QImageIOHandlerFactoryInterface" FILE
                          "heldphotoplugin.json")

public:
    Capabilities capabilities(QIODevice* device, const QByteArray& format) const override {
        if (format == "heldphoto")
            return CanRead;
        if (!format.isEmpty() || device == nullptr || !device->isReadable())
            return {};
        return device->peek(Marker.size()) == Marker ? CanRead : Capabilities();
    }

    QImageIOHandler* create(QIODevice* device, const QByteArray& format) const override {
        auto* handler = new HeldPhotoHandler;
        handler->setDevice(device);
        handler->setFormat(format);
        return handler;
    }
};

// Defined by moc (heldphotoplugin.moc, below) for a static plugin.
extern const QStaticPlugin qt_static_plugin_HeldPhotoPlugin();

BlockingPhoto::BlockingPhoto(const QString& path) {
    static const bool registered = [] {
        qRegisterStaticPluginFunction(qt_static_plugin_HeldPhotoPlugin());
        return true;
    }();
    Q_UNUSED(registered)
    {
        QMutexLocker lock(&gatesMutex);
        id = ++lastGateId;
        gates.insert(id, std::make_shared<Gate>());
    }
    QFile file(path);
    valid = file.open(QIODevice::WriteOnly | QIODevice::NewOnly) &&
            file.write(Marker + QByteArray::number(id) + '\n') > 0;
}

BlockingPhoto::~BlockingPhoto() {
    release(QByteArray());
    QMutexLocker lock(&gatesMutex);
    gates.remove(id); // a handler still waking up keeps its own reference
}

bool BlockingPhoto::readerIsWaiting() const {
    QMutexLocker lock(&gatesMutex);
    const std::shared_ptr<Gate> gate = gates.value(id);
    return gate && gate->entered && !gate->released;
}

void BlockingPhoto::release(const QByteArray& bytes) {
    QMutexLocker lock(&gatesMutex);
    const std::shared_ptr<Gate> gate = gates.value(id);
    if (!gate || gate->released)
        return;
    gate->bytes = bytes;
    gate->released = true;
    gatesChanged.wakeAll();
}

#include "heldphotoplugin.moc"
