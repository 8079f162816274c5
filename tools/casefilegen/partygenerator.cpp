#include "partygenerator.h"

namespace {

QVariant text(const char *utf8)
{
    return QVariant(QString::fromUtf8(utf8));
}

PartyGenerator::Address address(const char *index, const char *region, const char *settlement,
                                const char *street, const char *building, const char *additional,
                                const char *room)
{
    auto part = [](const char *value) { return value ? text(value) : QVariant(); };
    return {part(index), part(region), part(settlement), part(street), part(building), part(additional), part(room)};
}

const char *const UkrainianSurnames[] = {
    "Іваненко", "Коваль", "Шевченко", "Бондаренко", "Ткаченко", "Кравченко", "Олійник", "Мельник",
    "Лисенко", "Гриценко", "Дем'яненко", "Прокоп'юк", "Савченко", "Руденко", "Марченко", "Гончаренко",
};
const char *const UkrainianMaleNames[] = {"Олександр", "Микола", "Тарас", "Андрій", "Богдан", "Василь", "Іван", "Юрій"};
const char *const UkrainianFemaleNames[] = {"Дар'я", "Мар'яна", "Олена", "Оксана", "Наталія", "Ірина", "Галина", "Ганна"};
const char *const UkrainianMalePatronymics[] = {"Олексійович", "Миколайович", "Петрович", "В'ячеславович", "Іванович", "Богданович"};
const char *const UkrainianFemalePatronymics[] = {"Олексіївна", "Миколаївна", "Петрівна", "В'ячеславівна", "Іванівна", "Богданівна"};

// Russian surnames in their male form; the female form adds "а".
const char *const RussianSurnames[] = {"Иванов", "Петров", "Смирнов", "Кузнецов", "Соколов", "Попов", "Васильев", "Морозов", "Волков", "Федоров"};
const char *const RussianMaleNames[] = {"Иван", "Петр", "Сергей", "Алексей", "Дмитрий", "Николай", "Владимир"};
const char *const RussianFemaleNames[] = {"Анна", "Мария", "Елена", "Ольга", "Татьяна", "Наталья", "Ирина"};
const char *const RussianMalePatronymics[] = {"Иванович", "Петрович", "Сергеевич", "Алексеевич", "Николаевич"};
const char *const RussianFemalePatronymics[] = {"Ивановна", "Петровна", "Сергеевна", "Алексеевна", "Николаевна"};

const char *const OrganisationForms[] = {"ООО", "ТОВ", "ПАТ", "ЧП", "ГП"};
const char *const OrganisationNames[] = {"Ромашка", "Світанок", "Полтаваобленерго", "Надія", "Агрофірма Колос", "Сузір'я", "Вектор", "Млин"};

const char *const UkrainianRegions[] = {"Полтавская обл.", "Полтавська обл.", "Київська обл.", "Харківська обл.", "Сумская обл."};
const char *const UkrainianSettlements[] = {"Полтава", "г.Полтава", "Кременчук", "Миргород", "Гадяч", "Лубни", "Київ", "Харків"};
const char *const UkrainianStreets[] = {"Садовая", "Шевченка", "пр.Мира", "пер.Тихий", "Пам'яті", "Соборності", "ул.Гоголя", "Нова"};
const char *const RussianRegions[] = {"Московская обл.", "Белгородская обл.", "Курская обл."};
const char *const RussianSettlements[] = {"Москва", "г.Белгород", "Курск", "Подольск"};
const char *const RussianStreets[] = {"Ленина", "пр.Победы", "Садовая", "пер.Почтовый"};

} // namespace

PartyGenerator::PartyGenerator(quint32 seed)
    : m_random(seed)
{
}

PartyGenerator::Party PartyGenerator::next()
{
    const int oid = m_nextOid++;
    return oid <= FixedPartyCount ? fixedParty(oid) : randomParty(oid);
}

PartyGenerator::Party PartyGenerator::fixedParty(int oid) const
{
    Party party;
    party.Oid = oid;
    switch (oid) {
    case 1:
        party.FullName = text("Иванов Иван Иванович");
        party.Addresses = {address("36000", "Полтавская обл.", "Полтава", "Садовая", "12", "3", "45")};
        break;
    case 2:
        party.FullName = text("ИВАНОВ ПЕТР СЕРГЕЕВИЧ");
        party.Addresses = {address("101000", "Московская обл.", "г.Москва", "пр.Мира", nullptr, nullptr, nullptr)};
        break;
    case 3:
        party.FullName = text("Іваненко Дар'я Олексіївна");
        party.Addresses = {address("03150", "Київська обл.", "Київ", "Пам'яті", "5", nullptr, "17")};
        break;
    case 4:
        party.FullName = text("Петров Петр Петрович");
        break;
    case 5:
        party.FullName = text("Коваль Олена Миколаївна");
        party.Addresses = {address("37300", "Полтавська обл.", "Гадяч", "пер.Тихий", "1", nullptr, nullptr),
                           address("36011", "Полтавська обл.", "г.Полтава", "Соборності", "22", "1", "9")};
        break;
    case 6:
        break;
    case 7:
        party.FullName = text("ООО «Ромашка»");
        party.Addresses = {address("36039", nullptr, "г.Полтава", "ул.Гоголя", "3", nullptr, nullptr)};
        break;
    case 8:
        party.FullName = text("Государственное предприятие «Полтавский областной центр обслуживания»");
        party.Addresses = {address("36020", "Полтавская обл.", "Полтава", "Шевченка", "44", nullptr, "2")};
        break;
    }
    return party;
}

template<typename T, std::size_t N>
const T &PartyGenerator::pick(const T (&items)[N])
{
    return items[m_random.bounded(int(N))];
}

bool PartyGenerator::chance(int percent)
{
    return m_random.bounded(100) < percent;
}

PartyGenerator::Party PartyGenerator::randomParty(int oid)
{
    Party party;
    party.Oid = oid;
    const bool russian = chance(35);
    QString name;
    if (chance(10)) {
        name = QStringLiteral("%1 «%2»").arg(QString::fromUtf8(pick(OrganisationForms)),
                                              QString::fromUtf8(pick(OrganisationNames)));
    } else {
        const bool female = chance(50);
        if (russian) {
            name = QString::fromUtf8(pick(RussianSurnames)) + (female ? QStringLiteral("а") : QString());
            name += QLatin1Char(' ') + QString::fromUtf8(female ? pick(RussianFemaleNames) : pick(RussianMaleNames));
            name += QLatin1Char(' ')
                + QString::fromUtf8(female ? pick(RussianFemalePatronymics) : pick(RussianMalePatronymics));
        } else {
            name = QString::fromUtf8(pick(UkrainianSurnames));
            name += QLatin1Char(' ') + QString::fromUtf8(female ? pick(UkrainianFemaleNames) : pick(UkrainianMaleNames));
            name += QLatin1Char(' ')
                + QString::fromUtf8(female ? pick(UkrainianFemalePatronymics) : pick(UkrainianMalePatronymics));
        }
    }
    // Case files typed from paper hold some names in capitals; the party
    // search must find them with the same text.
    if (chance(10))
        name = name.toUpper();
    party.FullName = name;

    const int roll = m_random.bounded(100);
    const int addressCount = roll < 10 ? 0 : roll < 88 ? 1 : 2;
    for (int i = 0; i < addressCount; ++i)
        party.Addresses.append(randomAddress(russian));
    return party;
}

PartyGenerator::Address PartyGenerator::randomAddress(bool russian)
{
    Address result;
    if (russian) {
        result[0] = QString::number(100000 + m_random.bounded(600000));
        result[1] = QString::fromUtf8(pick(RussianRegions));
        result[2] = QString::fromUtf8(pick(RussianSettlements));
        result[3] = QString::fromUtf8(pick(RussianStreets));
    } else {
        // A few Kyiv-style indexes with a leading zero, which the address
        // check rejects.
        const int index = chance(3) ? 1000 + m_random.bounded(9000) : 10000 + m_random.bounded(90000);
        result[0] = QStringLiteral("%1").arg(index, 5, 10, QLatin1Char('0'));
        result[1] = QString::fromUtf8(pick(UkrainianRegions));
        result[2] = QString::fromUtf8(pick(UkrainianSettlements));
        result[3] = QString::fromUtf8(pick(UkrainianStreets));
    }
    if (chance(5))
        result[1] = QVariant();
    result[4] = QString::number(1 + m_random.bounded(150));
    if (chance(20))
        result[5] = QString::number(1 + m_random.bounded(5));
    if (chance(50))
        result[6] = QString::number(1 + m_random.bounded(300));
    return result;
}
