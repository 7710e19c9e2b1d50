<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es" sourcelanguage="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>IDS_FILE</source>
        <translation>Archivo</translation>
    </message>
    <message>
        <source>IDS_VIEW</source>
        <translation>Ver</translation>
    </message>
    <message>
        <source>IDS_HELP</source>
        <translation>Ayuda</translation>
    </message>
    <message>
        <source>IDS_OPEN</source>
        <translation>Abrir</translation>
    </message>
    <message>
        <source>IDS_SAVEAS</source>
        <translation>Guardar como...</translation>
    </message>
    <message>
        <source>IDS_BATCH</source>
        <translation>Procesamiento por lotes...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>Salir</translation>
    </message>
    <message>
        <source>IDS_MENU_ACTUALSIZE</source>
        <translation>Tamaño real</translation>
    </message>
    <message>
        <source>IDS_MENU_FITIN</source>
        <translation>Ajustar</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMIN</source>
        <translation>Acercar</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMOUT</source>
        <translation>Alejar</translation>
    </message>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>Antes / Después</translation>
    </message>
    <message>
        <source>IDS_MENU_ONLINE_HELP</source>
        <translation>Ayuda en línea</translation>
    </message>
    <message>
        <source>IDS_MENU_FAQ</source>
        <translation>Preguntas frecuentes del producto</translation>
    </message>
    <message>
        <source>IDS_MENU_CCS</source>
        <translation>Contactar con atención al cliente</translation>
    </message>
    <message>
        <source>IDS_ABOUT</source>
        <translation>Acerca de</translation>
    </message>
    <message>
        <source>IDS_SAVE_PROMPT</source>
        <translation>Si no guarda los cambios, se perderán.</translation>
    </message>
    <message>
        <source>IDS_SAVE</source>
        <translation>Guardar</translation>
    </message>
    <message>
        <source>IDS_CANCEL</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>IDS_DONT_SAVE</source>
        <translation>No guardar</translation>
    </message>
</context>
<context>
    <name>IQWizardFrame</name>
    <message>
        <source>IDS_IMPORT</source>
        <translation>Importar</translation>
    </message>
    <message>
        <source>IDS_OR</source>
        <translation>O</translation>
    </message>
    <message>
        <source>IDS_DARGDROP</source>
        <translation>Arrastre sus fotos aquí</translation>
    </message>
</context>
<context>
    <name>IQEditingFrame</name>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>A/D</translation>
    </message>
    <message>
        <source>IDS_PIX</source>
        <translation>px</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>No se puede escribir %1: %2</translation>
    </message>
</context>
<context>
    <name>IQAdjustingFrame</name>
    <message>
        <source>IDS_SAVE</source>
        <translation>Guardar como</translation>
    </message>
</context>
<context>
    <name>IQDenoiseProcessFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Luminancia</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Crominancia</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Nitidez</translation>
    </message>
    <message>
        <source>IDS_RESTORE</source>
        <translation>Restablecer</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseDialog</name>
    <message>
        <source>IDS_BATCH</source>
        <translation>Procesamiento por lotes</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Luminancia</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Crominancia</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Nitidez</translation>
    </message>
    <message>
        <source>IDS_ADD_PHOTOS</source>
        <translation>Añadir fotos</translation>
    </message>
    <message>
        <source>IDS_REMOVE_PHOTOS</source>
        <translation>Quitar fotos</translation>
    </message>
    <message>
        <source>IDS_START</source>
        <translation>Iniciar</translation>
    </message>
    <message>
        <source>IDS_BATCH_FINISHED</source>
        <translation>Proceso terminado. %1 correctos, %2 con errores.</translation>
    </message>
    <message>
        <source>IDS_PROCESSING</source>
        <translation>Procesando...</translation>
    </message>
</context>
<context>
    <name>IQGuideDialog</name>
    <message>
        <source>IDS_AC_DONTSHOWAGAIN</source>
        <translation>No volver a mostrar</translation>
    </message>
    <message>
        <source>IDS_AC_CLOSE</source>
        <translation>Cerrar</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Open File</source>
        <translation>Abrir archivo</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>Guardar archivo</translation>
    </message>
</context>
<context>
    <name>QtColorPicker</name>
    <message>
        <source>Black</source>
        <translation>Negro</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Blanco</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Rojo</translation>
    </message>
    <message>
        <source>Dark red</source>
        <translation>Rojo oscuro</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Verde</translation>
    </message>
    <message>
        <source>Dark green</source>
        <translation>Verde oscuro</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Azul</translation>
    </message>
    <message>
        <source>Dark blue</source>
        <translation>Azul oscuro</translation>
    </message>
    <message>
        <source>Cyan</source>
        <translation>Cian</translation>
    </message>
    <message>
        <source>Dark cyan</source>
        <translation>Cian oscuro</translation>
    </message>
    <message>
        <source>Magenta</source>
        <translation>Magenta</translation>
    </message>
    <message>
        <source>Dark magenta</source>
        <translation>Magenta oscuro</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Amarillo</translation>
    </message>
    <message>
        <source>Dark yellow</source>
        <translation>Amarillo oscuro</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Gris</translation>
    </message>
    <message>
        <source>Dark gray</source>
        <translation>Gris oscuro</translation>
    </message>
    <message>
        <source>Light gray</source>
        <translation>Gris claro</translation>
    </message>
</context>
</TS>
