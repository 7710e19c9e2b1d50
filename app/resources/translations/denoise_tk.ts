<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="tr" sourcelanguage="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>IDS_FILE</source>
        <translation>Dosya</translation>
    </message>
    <message>
        <source>IDS_VIEW</source>
        <translation>Görünüm</translation>
    </message>
    <message>
        <source>IDS_HELP</source>
        <translation>Yardım</translation>
    </message>
    <message>
        <source>IDS_OPEN</source>
        <translation>Aç</translation>
    </message>
    <message>
        <source>IDS_SAVEAS</source>
        <translation>Farklı Kaydet...</translation>
    </message>
    <message>
        <source>IDS_BATCH</source>
        <translation>Toplu İşlem...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>Çıkış</translation>
    </message>
    <message>
        <source>IDS_MENU_ACTUALSIZE</source>
        <translation>Gerçek Boyut</translation>
    </message>
    <message>
        <source>IDS_MENU_FITIN</source>
        <translation>Sığdır</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMIN</source>
        <translation>Yakınlaştır</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMOUT</source>
        <translation>Uzaklaştır</translation>
    </message>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>Önce / Sonra</translation>
    </message>
    <message>
        <source>IDS_MENU_ONLINE_HELP</source>
        <translation>Çevrimiçi Yardım</translation>
    </message>
    <message>
        <source>IDS_MENU_FAQ</source>
        <translation>Ürün SSS</translation>
    </message>
    <message>
        <source>IDS_MENU_CCS</source>
        <translation>Müşteri Hizmetleriyle İletişim</translation>
    </message>
    <message>
        <source>IDS_ABOUT</source>
        <translation>Hakkında</translation>
    </message>
    <message>
        <source>IDS_SAVE_PROMPT</source>
        <translation>Kaydetmezseniz değişiklikleriniz kaybolacak.</translation>
    </message>
    <message>
        <source>IDS_SAVE</source>
        <translation>Kaydet</translation>
    </message>
    <message>
        <source>IDS_CANCEL</source>
        <translation>İptal</translation>
    </message>
    <message>
        <source>IDS_DONT_SAVE</source>
        <translation>Kaydetme</translation>
    </message>
</context>
<context>
    <name>IQWizardFrame</name>
    <message>
        <source>IDS_IMPORT</source>
        <translation>İçe Aktar</translation>
    </message>
    <message>
        <source>IDS_OR</source>
        <translation>Veya</translation>
    </message>
    <message>
        <source>IDS_DARGDROP</source>
        <translation>Fotoğraflarınızı buraya sürükleyin</translation>
    </message>
</context>
<context>
    <name>IQEditingFrame</name>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>Ö/S</translation>
    </message>
    <message>
        <source>IDS_PIX</source>
        <translation>piksel</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>%1 yazılamıyor: %2</translation>
    </message>
</context>
<context>
    <name>IQAdjustingFrame</name>
    <message>
        <source>IDS_SAVE</source>
        <translation>Farklı Kaydet</translation>
    </message>
</context>
<context>
    <name>IQDenoiseProcessFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Parlaklık</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Renklilik</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Keskinlik</translation>
    </message>
    <message>
        <source>IDS_RESTORE</source>
        <translation>Sıfırla</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseDialog</name>
    <message>
        <source>IDS_BATCH</source>
        <translation>Toplu İşlem</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Parlaklık</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Renklilik</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Keskinlik</translation>
    </message>
    <message>
        <source>IDS_ADD_PHOTOS</source>
        <translation>Fotoğraf Ekle</translation>
    </message>
    <message>
        <source>IDS_REMOVE_PHOTOS</source>
        <translation>Fotoğrafları Kaldır</translation>
    </message>
    <message>
        <source>IDS_START</source>
        <translation>Başlat</translation>
    </message>
    <message>
        <source>IDS_BATCH_FINISHED</source>
        <translation>İşlem tamamlandı. %1 başarılı, %2 başarısız.</translation>
    </message>
    <message>
        <source>IDS_PROCESSING</source>
        <translation>İşleniyor...</translation>
    </message>
</context>
<context>
    <name>IQGuideDialog</name>
    <message>
        <source>IDS_AC_DONTSHOWAGAIN</source>
        <translation>Bir daha gösterme</translation>
    </message>
    <message>
        <source>IDS_AC_CLOSE</source>
        <translation>Kapat</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Open File</source>
        <translation>Dosya Aç</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>Dosya Kaydet</translation>
    </message>
</context>
<context>
    <name>QtColorPicker</name>
    <message>
        <source>Black</source>
        <translation>Siyah</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Beyaz</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Kırmızı</translation>
    </message>
    <message>
        <source>Dark red</source>
        <translation>Koyu kırmızı</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Yeşil</translation>
    </message>
    <message>
        <source>Dark green</source>
        <translation>Koyu yeşil</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Mavi</translation>
    </message>
    <message>
        <source>Dark blue</source>
        <translation>Koyu mavi</translation>
    </message>
    <message>
        <source>Cyan</source>
        <translation>Camgöbeği</translation>
    </message>
    <message>
        <source>Dark cyan</source>
        <translation>Koyu camgöbeği</translation>
    </message>
    <message>
        <source>Magenta</source>
        <translation>Macenta</translation>
    </message>
    <message>
        <source>Dark magenta</source>
        <translation>Koyu macenta</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Sarı</translation>
    </message>
    <message>
        <source>Dark yellow</source>
        <translation>Koyu sarı</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Gri</translation>
    </message>
    <message>
        <source>Dark gray</source>
        <translation>Koyu gri</translation>
    </message>
    <message>
        <source>Light gray</source>
        <translation>Açık gri</translation>
    </message>
</context>
</TS>
