#pragma once

#include <QString>
#include <optional>

// The help line's text for the item under the pointer; nullopt leaves the line as it is.
// `user` is the current account. The presets and the custom option compute their own texts.
std::optional<QString> HoverHelpText(const QString& itemName, const QString& user);

inline const QString DefaultHoverHelp =
    QStringLiteral("当鼠标移动到某个项目时，此处显示相关提示信息。");
