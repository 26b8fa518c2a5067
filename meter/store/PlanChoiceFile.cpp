#include "meter/store/PlanChoiceFile.h"

#include "common/TextConventions.h"
#include "meter/store/IniFile.h"
#include "meter/store/IniLayout.h"

PlanChoice ReadPlanChoice(const QString& filePath) {
    IniFile file(filePath);
    file.load();
    using namespace IniLayout::PlanChoice;
    return {file.value(Section, ValueKey, DefaultValue),
            file.value(Section, CustomKey, DefaultCustomMinutes)};
}

bool WritePlanChoice(const QString& filePath, std::optional<int> preset, bool customSelected,
                     const QString& customText) {
    IniFile file(filePath);
    file.load();
    using namespace IniLayout::PlanChoice;
    if (customSelected)
        file.setValue(Section, ValueKey, CustomValue);
    else if (preset)
        file.setValue(Section, ValueKey, QString::number(*preset));
    file.setValue(Section, CustomKey, NumberToText(NumberFromText(customText)));
    return file.save();
}
