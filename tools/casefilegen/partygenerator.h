#pragma once

#include <QList>
#include <QRandomGenerator>
#include <QVariant>

#include <array>

// Synthetic parties of a court case file, deterministic for a given seed.
//
// The first parties are fixed, so that tests can rely on them:
//   1 "Иванов Иван Иванович": one address, index 36000 (Ukraine)
//   2 "ИВАНОВ ПЕТР СЕРГЕЕВИЧ": one address, index 101000 (Russia), Null
//     building and room
//   3 "Іваненко Дар'я Олексіївна": one address on "Пам'яті" street, index
//     03150 (leading zero), Null building
//   4 "Петров Петр Петрович": no address
//   5 "Коваль Олена Миколаївна": two addresses
//   6 Null name, no address
//   7 "ООО «Ромашка»": one address with Null region and Null room
//   8 a 69-character organisation name: one address
// After them come generated Ukrainian and Russian persons and organisations:
// some written in capitals, some with apostrophes, about one in ten without
// an address and a few with two, five-digit Ukrainian and six-digit Russian
// postal indexes, Null columns here and there.
class PartyGenerator
{
public:
    static constexpr int FixedPartyCount = 8;

    // "Index", "Region", "Settlement", "Street", "Building",
    // "AdditionalBuilding", "Room"; a null QVariant stands for SQL NULL.
    using Address = std::array<QVariant, 7>;

    struct Party
    {
        int Oid = 0;
        QVariant FullName;
        QList<Address> Addresses;
    };

    explicit PartyGenerator(quint32 seed);

    // The parties numbered 1, 2, 3, ... in turn.
    Party next();

private:
    Party fixedParty(int oid) const;
    Party randomParty(int oid);
    Address randomAddress(bool russian);
    template<typename T, std::size_t N>
    const T &pick(const T (&items)[N]);
    bool chance(int percent);

    QRandomGenerator m_random;
    int m_nextOid = 1;
};
