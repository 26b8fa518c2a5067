#pragma once

#include <QProxyStyle>

// Password boxes show "*" for every character, whatever the platform style's own mark.
class StarPasswordStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};
