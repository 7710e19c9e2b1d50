#include "registerrawplugin.h"

#include <QtPlugin>

// Defined by moc for QRawPlugin in a QT_STATICPLUGIN build.
extern const QStaticPlugin qt_static_plugin_QRawPlugin();

void registerRawPlugin() {
    static const bool registered = [] {
        qRegisterStaticPluginFunction(qt_static_plugin_QRawPlugin());
        return true;
    }();
    Q_UNUSED(registered)
}
