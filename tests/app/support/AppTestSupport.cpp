#include "support/AppTestSupport.h"

#include <QFile>
#include <QListWidget>
#include <QSettings>
#include <QStandardPaths>

#include "app/CTambrixDoc.h"
#include "app/UserPrompts.h"
#include "app/ViewedFile.h"

namespace tambrix::app::testing {

Sandbox::Sandbox()
    : mOldHome(qgetenv("HOME")), mOldConfig(qgetenv("XDG_CONFIG_HOME")), mOldPrefix(qgetenv("WINEPREFIX")) {
    QStandardPaths::setTestModeEnabled(true);
    const QString config = mRoot.path() + "/config";
    QDir().mkpath(config);
    QDir().mkpath(WinePrefix());
    qputenv("HOME", mRoot.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
    qputenv("WINEPREFIX", WinePrefix().toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);

    UserPrompts& prompts = Prompts();
    prompts.message = [this](QWidget*, const QString& text) { messages.append(text); };
    prompts.askYesNo = [this](QWidget*, const QString& text) { return questions.append(text), answerYes; };
    prompts.browseForFolder = [this](const QString& title) { return browseTitles.append(title), browseAnswer; };
    prompts.saveBitmapName = [this](QWidget*, const QString& name) { return saveDefaults.append(name), saveAnswer; };
    prompts.savePngName = prompts.saveBitmapName;
    prompts.showFolder = [this](const QString& folder) { shownFolders.append(folder); };
}

Sandbox::~Sandbox() {
    ResetPrompts();
    ResetOpeners();
    qputenv("HOME", mOldHome);
    qputenv("XDG_CONFIG_HOME", mOldConfig);
    if (mOldPrefix.isNull())
        qunsetenv("WINEPREFIX");
    else
        qputenv("WINEPREFIX", mOldPrefix);
}

QString Sandbox::MakeFolder(const QString& relative) const {
    const QString path = mRoot.path() + "/" + relative;
    QDir().mkpath(path);
    return path;
}

QString Sandbox::MakeFile(const QString& folder, const QString& name, qint64 size) const {
    const QString path = folder + "/" + name;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(QByteArray(size, 'x'));
    return path;
}

void Sandbox::WriteSystemReg(const QString& text) const {
    QFile file(WinePrefix() + "/system.reg");
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(text.toUtf8());
}

QVariant StoredSetting(const QString& key) {
    QSettings store(settings::kOrganisation, settings::kApplication);
    store.beginGroup(settings::kGroup);
    return store.value(key);
}

void StoreSetting(const QString& key, const QVariant& value) {
    QSettings store(settings::kOrganisation, settings::kApplication);
    store.beginGroup(settings::kGroup);
    store.setValue(key, value);
    store.sync();
}

QStringList ItemTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
}

}  // namespace tambrix::app::testing
