// The two classes the persistence tests work with: patients (with audit
// fields and the sex as a value of its group code list) and their visits.
#pragma once

#include "pelvar/plMeta.h"

namespace tovlet::test {

inline void RegisterClinicClasses()
{
    pelvar::UnregisterAllClasses();
    auto pacient = std::make_unique<pelvar::TPlClassMetaData>(
        QStringLiteral("TPacient"),
        std::make_unique<pelvar::TplProvider>(QStringLiteral("QDAT.PACIENT"), QStringLiteral("Pacient"), QStringLiteral("DATUM_IPL"),
                                      QStringLiteral("USER_IPL")));
    pacient->AddAttribute({QStringLiteral("PRIIMEK"), QStringLiteral("Priimek"), pelvar::TplAttrType::atString, 40, {}, false, true, {}})
        .AddAttribute({QStringLiteral("IME"), QStringLiteral("Ime"), pelvar::TplAttrType::atString, 40, {}, false, true, {}})
        .AddAttribute({QStringLiteral("DATUM_ROJSTVA"), QStringLiteral("Datum rojstva"), pelvar::TplAttrType::atDate, 0, QStringLiteral("D")})
        .AddAttribute({QStringLiteral("SPOL"), QStringLiteral("Spol"), pelvar::TplAttrType::atString, 1, QStringLiteral("MS:SPOL"), false,
                       false, QStringLiteral("SPOL")})
        .AddAttribute({QStringLiteral("KZZ"), QStringLiteral("Številka KZZ"), pelvar::TplAttrType::atString, 9})
        .AddAttribute({QStringLiteral("TELEFON"), QStringLiteral("Telefon"), pelvar::TplAttrType::atString, 20});
    pelvar::RegisterClassMetaData(std::move(pacient));

    auto visit = std::make_unique<pelvar::TPlClassMetaData>(
        QStringLiteral("TObravnava"), std::make_unique<pelvar::TplProvider>(QStringLiteral("QDAT.OBRAVNAVA"), QStringLiteral("Obravnava")));
    visit->AddAttribute({QStringLiteral("PACIENT_ID"), QStringLiteral("Pacient"), pelvar::TplAttrType::atInteger})
        .AddAttribute({QStringLiteral("OPIS"), QStringLiteral("Opis"), pelvar::TplAttrType::atMemo})
        .AddAttribute({QStringLiteral("ZNESEK"), QStringLiteral("Znesek"), pelvar::TplAttrType::atFloat})
        .AddAttribute({QStringLiteral("NUJNO"), QStringLiteral("Nujno"), pelvar::TplAttrType::atBoolean})
        .AddAttribute({QStringLiteral("ZACETEK"), QStringLiteral("Začetek"), pelvar::TplAttrType::atDateTime, 0, QStringLiteral("DT")});
    pelvar::RegisterClassMetaData(std::move(visit));
}

} // namespace tovlet::test
