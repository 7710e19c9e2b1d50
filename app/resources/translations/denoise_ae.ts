<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ar" sourcelanguage="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>IDS_FILE</source>
        <translation>ملف</translation>
    </message>
    <message>
        <source>IDS_VIEW</source>
        <translation>عرض</translation>
    </message>
    <message>
        <source>IDS_HELP</source>
        <translation>تعليمات</translation>
    </message>
    <message>
        <source>IDS_OPEN</source>
        <translation>فتح</translation>
    </message>
    <message>
        <source>IDS_SAVEAS</source>
        <translation>حفظ باسم...</translation>
    </message>
    <message>
        <source>IDS_BATCH</source>
        <translation>معالجة دفعية...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>خروج</translation>
    </message>
    <message>
        <source>IDS_MENU_ACTUALSIZE</source>
        <translation>الحجم الفعلي</translation>
    </message>
    <message>
        <source>IDS_MENU_FITIN</source>
        <translation>ملاءمة</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMIN</source>
        <translation>تكبير</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMOUT</source>
        <translation>تصغير</translation>
    </message>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>قبل / بعد</translation>
    </message>
    <message>
        <source>IDS_MENU_ONLINE_HELP</source>
        <translation>التعليمات عبر الإنترنت</translation>
    </message>
    <message>
        <source>IDS_MENU_FAQ</source>
        <translation>الأسئلة الشائعة حول المنتج</translation>
    </message>
    <message>
        <source>IDS_MENU_CCS</source>
        <translation>الاتصال بخدمة العملاء</translation>
    </message>
    <message>
        <source>IDS_ABOUT</source>
        <translation>حول</translation>
    </message>
    <message>
        <source>IDS_SAVE_PROMPT</source>
        <translation>ستفقد تغييراتك إذا لم تحفظها.</translation>
    </message>
    <message>
        <source>IDS_SAVE</source>
        <translation>حفظ</translation>
    </message>
    <message>
        <source>IDS_CANCEL</source>
        <translation>إلغاء</translation>
    </message>
    <message>
        <source>IDS_DONT_SAVE</source>
        <translation>عدم الحفظ</translation>
    </message>
</context>
<context>
    <name>IQWizardFrame</name>
    <message>
        <source>IDS_IMPORT</source>
        <translation>استيراد</translation>
    </message>
    <message>
        <source>IDS_OR</source>
        <translation>أو</translation>
    </message>
    <message>
        <source>IDS_DARGDROP</source>
        <translation>اسحب صورك إلى هنا</translation>
    </message>
</context>
<context>
    <name>IQEditingFrame</name>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>قبل/بعد</translation>
    </message>
    <message>
        <source>IDS_PIX</source>
        <translation>بكسل</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>تعذّرت كتابة %1: %2</translation>
    </message>
</context>
<context>
    <name>IQAdjustingFrame</name>
    <message>
        <source>IDS_SAVE</source>
        <translation>حفظ باسم</translation>
    </message>
</context>
<context>
    <name>IQDenoiseProcessFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>السطوع</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>اللونية</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>الحدة</translation>
    </message>
    <message>
        <source>IDS_RESTORE</source>
        <translation>استعادة</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseDialog</name>
    <message>
        <source>IDS_BATCH</source>
        <translation>معالجة دفعية</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>السطوع</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>اللونية</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>الحدة</translation>
    </message>
    <message>
        <source>IDS_ADD_PHOTOS</source>
        <translation>إضافة صور</translation>
    </message>
    <message>
        <source>IDS_REMOVE_PHOTOS</source>
        <translation>إزالة الصور</translation>
    </message>
    <message>
        <source>IDS_START</source>
        <translation>بدء</translation>
    </message>
    <message>
        <source>IDS_BATCH_FINISHED</source>
        <translation>اكتملت المعالجة. نجح %1، وفشل %2.</translation>
    </message>
    <message>
        <source>IDS_PROCESSING</source>
        <translation>جارٍ المعالجة...</translation>
    </message>
</context>
<context>
    <name>IQGuideDialog</name>
    <message>
        <source>IDS_AC_DONTSHOWAGAIN</source>
        <translation>عدم الإظهار مرة أخرى</translation>
    </message>
    <message>
        <source>IDS_AC_CLOSE</source>
        <translation>إغلاق</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Open File</source>
        <translation>فتح ملف</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>حفظ ملف</translation>
    </message>
</context>
<context>
    <name>QtColorPicker</name>
    <message>
        <source>Black</source>
        <translation>أسود</translation>
    </message>
    <message>
        <source>White</source>
        <translation>أبيض</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>أحمر</translation>
    </message>
    <message>
        <source>Dark red</source>
        <translation>أحمر داكن</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>أخضر</translation>
    </message>
    <message>
        <source>Dark green</source>
        <translation>أخضر داكن</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>أزرق</translation>
    </message>
    <message>
        <source>Dark blue</source>
        <translation>أزرق داكن</translation>
    </message>
    <message>
        <source>Cyan</source>
        <translation>سماوي</translation>
    </message>
    <message>
        <source>Dark cyan</source>
        <translation>سماوي داكن</translation>
    </message>
    <message>
        <source>Magenta</source>
        <translation>أرجواني</translation>
    </message>
    <message>
        <source>Dark magenta</source>
        <translation>أرجواني داكن</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>أصفر</translation>
    </message>
    <message>
        <source>Dark yellow</source>
        <translation>أصفر داكن</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>رمادي</translation>
    </message>
    <message>
        <source>Dark gray</source>
        <translation>رمادي داكن</translation>
    </message>
    <message>
        <source>Light gray</source>
        <translation>رمادي فاتح</translation>
    </message>
</context>
</TS>
