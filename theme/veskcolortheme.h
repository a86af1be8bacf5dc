// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

/**
 * One colour theme of the desktop: the colours of its user-interface elements as colour names
 * (QColor::name), two flags, and the fixed colours of the desktop's standard themes.
 *
 * A plain value: VeskUtils::genColorTheme() fills one from the theme files, the pop-ups copy it
 * and read what they need. Setters store their argument as given; nothing is checked.
 */
class VeskColorTheme
{
public:
    VeskColorTheme();

    QString criticalNotificationsColor() const;
    QString nonCriticalNotificationsColor() const;

    bool blackTextTheme() const;
    void setBlackTextTheme(bool blackTextTheme);

    /// Whether tray icons, drawn for a coloured panel, must be inverted to show on this theme.
    bool invertColorForTrayIcon() const;
    void setInvertColorForTrayIcon(bool invertColorForTrayIcon);

    QString backgroundColor() const;
    void setBackgroundColor(const QString &backgroundColor);

    QString elementSelectionColor() const;
    void setElementSelectionColor(const QString &elementSelectionColor);

    QString elementHoverColor() const;
    void setElementHoverColor(const QString &elementHoverColor);

    QString textColor() const;
    void setTextColor(const QString &textColor);

    QString textHoverColor() const;
    void setTextHoverColor(const QString &textHoverColor);

    QString textNonInteractiveColor() const;
    void setTextNonInteractiveColor(const QString &textNonInteractiveColor);

    QString textPlaceHolderColor() const;
    void setTextPlaceHolderColor(const QString &textPlaceHolderColor);

    QString textDetailsColor() const;
    void setTextDetailsColor(const QString &textDetailsColor);

    QString separatorColor() const;
    void setSeparatorColor(const QString &separatorColor);

    QString buttonBorderColor() const;
    void setButtonBorderColor(const QString &buttonBorderColor);

    QString buttonPressedColor() const;
    void setButtonPressedColor(const QString &buttonPressedColor);

    // The desktop's standard themes.
    static QString statDefaultThemeBackgroundColor();
    static QString statOrvelBrightThemeBackgroundColor();
    static QString statOrvelDarkThemeBackgroundColor();
    static QString statRedLevelThemeBackgroundColor();
    static QString statDefaultThemeHighlightColor();
    static QString statOrvelBrightThemeHighlightColor();
    static QString statOrvelDarkThemeHighlightColor();
    static QString statRedLevelThemeHighlightColor();
    static QString statCriticalNotificationsColor();
    static QString statNonCriticalNotificationsColor();

private:
    QString m_criticalNotificationsColor;
    QString m_nonCriticalNotificationsColor;
    bool m_blackTextTheme = false;
    bool m_invertColorForTrayIcon = false;
    QString m_backgroundColor;
    QString m_elementSelectionColor;
    QString m_elementHoverColor;
    QString m_textColor;
    QString m_textHoverColor;
    QString m_textNonInteractiveColor;
    QString m_textPlaceHolderColor;
    QString m_textDetailsColor;
    QString m_separatorColor;
    QString m_buttonBorderColor;
    QString m_buttonPressedColor;
};
