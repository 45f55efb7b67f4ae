// The translation catalogues are built from the sources and change what the views show.
#include <QCoreApplication>
#include <QFile>
#include <QTranslator>

#include <gtest/gtest.h>

#include "gui/views/KLegendBar.h"

TEST(Translations, GermanCatalogueIsBuiltAndUsed)
{
    const QString path = QStringLiteral(VOLMARA_QM_DIR "/qz_de.qm");
    ASSERT_TRUE(QFile::exists(path)) << path.toStdString();
    QTranslator german;
    ASSERT_TRUE(german.load(path));
    EXPECT_EQ(german.translate("KDiskMapItem", "GPT Disk"), QString::fromUtf8("GPT-Datenträger"));

    const auto english = KLegendBar::Entries();
    QCoreApplication::installTranslator(&german);
    const auto translated = KLegendBar::Entries();
    QCoreApplication::removeTranslator(&german);
    ASSERT_EQ(english.size(), translated.size());
    bool changed = false;
    for (size_t i = 0; i < english.size(); ++i) {
        EXPECT_EQ(english[i].color, translated[i].color);
        changed = changed || english[i].strName != translated[i].strName;
    }
    EXPECT_TRUE(changed) << "the legend's words come from the catalogue";
    // File-system names are the same in every language and stay as they are.
    EXPECT_EQ(english[0].strName, translated[0].strName);
}
