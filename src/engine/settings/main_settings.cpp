#include "settings/main_settings.h"

#include "settings/settings_keys.h"
#include "text/cp1251.h"

namespace lettrica::settings {

MailSettings defaultMailSettings() {
    MailSettings m;
    auto text = [](const Key& key) { return text::decodeCp1251(key.fallback); };
    m.host = text(keys::MailHost);
    m.port = *toInteger(keys::MailPort.fallback);
    m.authType = static_cast<std::uint8_t>(*toInteger(keys::MailAuthType.fallback));
    m.timeOut = static_cast<std::uint8_t>(*toInteger(keys::MailTimeOut.fallback));
    m.userName = text(keys::MailUserName);
    m.login = text(keys::MailLogin);
    m.password = text(keys::MailPassword);
    m.email = text(keys::MailEmail);
    return m;
}

namespace {

void loadPlacement(const IniFile& ini, MainWindowState& state) {
    auto width = readNumber(ini, keys::Width);
    if (!width) return;
    if (*width > 0) state.width = *width;
    auto height = readNumber(ini, keys::Height);
    if (!height) return;
    if (*height > 0) state.height = *height;
    auto panel = readNumber(ini, keys::PanelH);
    if (!panel) return;
    if (*panel > 0) state.panelHeight = *panel;
    auto left = readNumber(ini, keys::Left);
    if (!left) return;
    auto top = readNumber(ini, keys::Top);
    if (!top) return;
    // Both must be non-zero: a zero in either means "centred".
    if (*left != 0 && *top != 0) {
        state.left = *left;
        state.top = *top;
        state.hasPosition = true;
    }
    auto maximized = readNumber(ini, keys::Maximized);
    if (!maximized) return;
    state.maximized = *maximized == 1;
}

}  // namespace

void loadMainSettings(const IniFile& ini, MainWindowState& state) {
    loadPlacement(ini, state);

    if (auto v = readNumber(ini, keys::Table); v && *v >= kUserTable && *v <= kAngloTable) state.table = *v;
    state.system = ini.readBytes(keys::System.section, keys::System.name, keys::System.fallback);
    if (auto v = readNumber(ini, keys::Perenos); v && *v == 0) state.wordWrap = false;
    if (auto v = readNumber(ini, keys::AutoV); v && *v == 1) state.autoVolume = true;
    if (auto v = readNumber(ini, keys::OpenFilter)) state.openFilter = *v;
    if (auto v = readNumber(ini, keys::SaveFilter)) state.saveFilter = *v;
    if (auto v = readNumber(ini, keys::TrayMin); v && *v == 1) state.minimizeToTray = true;

    MailSettings& mail = state.mail;
    mail.host = readText(ini, keys::MailHost);
    if (auto v = readNumber(ini, keys::MailPort)) mail.port = *v;
    if (auto v = readByte(ini, keys::MailAuthType)) mail.authType = *v;
    if (auto v = readByte(ini, keys::MailTimeOut)) mail.timeOut = *v;
    mail.userName = readText(ini, keys::MailUserName);
    mail.login = readText(ini, keys::MailLogin);
    mail.password = readText(ini, keys::MailPassword);
    mail.email = readText(ini, keys::MailEmail);
}

void saveMainSettings(IniFile& ini, const MainWindowState& state, const SectionWriter& dialogs) {
    auto dialogSection = [&](std::string_view section) {
        if (dialogs) dialogs(ini, section);
    };

    if (state.maximized) {
        writeNumber(ini, keys::Maximized, 1);
    } else {
        writeNumber(ini, keys::Maximized, 0);
        writeNumber(ini, keys::Left, state.left);
        writeNumber(ini, keys::Top, state.top);
        writeNumber(ini, keys::Width, state.width);
        writeNumber(ini, keys::Height, state.height);
    }
    writeNumber(ini, keys::PanelH, state.panelHeight);

    writeNumber(ini, keys::Table, state.table);
    if (!state.system.empty()) ini.writeBytes(keys::System.section, keys::System.name, state.system);
    writeFlag(ini, keys::Perenos, state.wordWrap);
    writeFlag(ini, keys::AutoV, state.autoVolume);

    writeNumber(ini, keys::OpenFilter, state.openFilter);
    writeNumber(ini, keys::SaveFilter, state.saveFilter);

    dialogSection("Print");

    dialogSection("Email");
    const MailSettings& mail = state.mail;
    writeText(ini, keys::MailHost, mail.host);
    writeNumber(ini, keys::MailPort, mail.port);
    writeNumber(ini, keys::MailAuthType, mail.authType);
    writeNumber(ini, keys::MailTimeOut, mail.timeOut);
    writeText(ini, keys::MailUserName, mail.userName);
    writeText(ini, keys::MailLogin, mail.login);
    writeText(ini, keys::MailPassword, mail.password);
    writeText(ini, keys::MailEmail, mail.email);

    dialogSection("Registr");
    dialogSection("Perekod");

    writeFlag(ini, keys::TrayMin, state.minimizeToTray);
}

}  // namespace lettrica::settings
