<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru" sourcelanguage="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>IDS_FILE</source>
        <translation>Файл</translation>
    </message>
    <message>
        <source>IDS_VIEW</source>
        <translation>Вид</translation>
    </message>
    <message>
        <source>IDS_HELP</source>
        <translation>Справка</translation>
    </message>
    <message>
        <source>IDS_OPEN</source>
        <translation>Открыть</translation>
    </message>
    <message>
        <source>IDS_SAVEAS</source>
        <translation>Сохранить как...</translation>
    </message>
    <message>
        <source>IDS_BATCH</source>
        <translation>Пакетная обработка...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>Выход</translation>
    </message>
    <message>
        <source>IDS_MENU_ACTUALSIZE</source>
        <translation>Реальный размер</translation>
    </message>
    <message>
        <source>IDS_MENU_FITIN</source>
        <translation>По размеру окна</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMIN</source>
        <translation>Увеличить</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMOUT</source>
        <translation>Уменьшить</translation>
    </message>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>До / После</translation>
    </message>
    <message>
        <source>IDS_MENU_ONLINE_HELP</source>
        <translation>Справка в Интернете</translation>
    </message>
    <message>
        <source>IDS_MENU_FAQ</source>
        <translation>Часто задаваемые вопросы</translation>
    </message>
    <message>
        <source>IDS_MENU_CCS</source>
        <translation>Связаться со службой поддержки</translation>
    </message>
    <message>
        <source>IDS_ABOUT</source>
        <translation>О программе</translation>
    </message>
    <message>
        <source>IDS_SAVE_PROMPT</source>
        <translation>Если не сохранить изменения, они будут потеряны.</translation>
    </message>
    <message>
        <source>IDS_SAVE</source>
        <translation>Сохранить</translation>
    </message>
    <message>
        <source>IDS_CANCEL</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>IDS_DONT_SAVE</source>
        <translation>Не сохранять</translation>
    </message>
</context>
<context>
    <name>IQWizardFrame</name>
    <message>
        <source>IDS_IMPORT</source>
        <translation>Импорт</translation>
    </message>
    <message>
        <source>IDS_OR</source>
        <translation>Или</translation>
    </message>
    <message>
        <source>IDS_DARGDROP</source>
        <translation>Перетащите фотографии сюда</translation>
    </message>
</context>
<context>
    <name>IQEditingFrame</name>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>До/После</translation>
    </message>
    <message>
        <source>IDS_PIX</source>
        <translation>пикс.</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>Не удалось записать %1: %2</translation>
    </message>
</context>
<context>
    <name>IQAdjustingFrame</name>
    <message>
        <source>IDS_SAVE</source>
        <translation>Сохранить как</translation>
    </message>
</context>
<context>
    <name>IQDenoiseProcessFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Яркость</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Цветность</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Резкость</translation>
    </message>
    <message>
        <source>IDS_RESTORE</source>
        <translation>Сбросить</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseDialog</name>
    <message>
        <source>IDS_BATCH</source>
        <translation>Пакетная обработка</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Яркость</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Цветность</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Резкость</translation>
    </message>
    <message>
        <source>IDS_ADD_PHOTOS</source>
        <translation>Добавить фото</translation>
    </message>
    <message>
        <source>IDS_REMOVE_PHOTOS</source>
        <translation>Удалить фото</translation>
    </message>
    <message>
        <source>IDS_START</source>
        <translation>Начать</translation>
    </message>
    <message>
        <source>IDS_BATCH_FINISHED</source>
        <translation>Обработка завершена. Успешно: %1, с ошибкой: %2.</translation>
    </message>
    <message>
        <source>IDS_PROCESSING</source>
        <translation>Обработка...</translation>
    </message>
</context>
<context>
    <name>IQGuideDialog</name>
    <message>
        <source>IDS_AC_DONTSHOWAGAIN</source>
        <translation>Больше не показывать</translation>
    </message>
    <message>
        <source>IDS_AC_CLOSE</source>
        <translation>Закрыть</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Open File</source>
        <translation>Открыть файл</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>Сохранить файл</translation>
    </message>
</context>
<context>
    <name>QtColorPicker</name>
    <message>
        <source>Black</source>
        <translation>Черный</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Белый</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Красный</translation>
    </message>
    <message>
        <source>Dark red</source>
        <translation>Темно-красный</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Зеленый</translation>
    </message>
    <message>
        <source>Dark green</source>
        <translation>Темно-зеленый</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Синий</translation>
    </message>
    <message>
        <source>Dark blue</source>
        <translation>Темно-синий</translation>
    </message>
    <message>
        <source>Cyan</source>
        <translation>Голубой</translation>
    </message>
    <message>
        <source>Dark cyan</source>
        <translation>Темно-голубой</translation>
    </message>
    <message>
        <source>Magenta</source>
        <translation>Пурпурный</translation>
    </message>
    <message>
        <source>Dark magenta</source>
        <translation>Темно-пурпурный</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Желтый</translation>
    </message>
    <message>
        <source>Dark yellow</source>
        <translation>Темно-желтый</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Серый</translation>
    </message>
    <message>
        <source>Dark gray</source>
        <translation>Темно-серый</translation>
    </message>
    <message>
        <source>Light gray</source>
        <translation>Светло-серый</translation>
    </message>
</context>
</TS>
