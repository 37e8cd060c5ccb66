#include "keeper_test_support.h"

#include "store/runtime_error.h"
#include "support/bank_fixture.h"

#include <random>

namespace {

KeeperServices fakeServices(FakeKeeper &fake)
{
    auto generator = std::make_shared<std::mt19937>(20240915);
    return KeeperServices{
        BankServices{
            [] { return DBEngine::OpenDatabase(QStringLiteral("data.mdb")); },
            [generator] { return std::generate_canonical<double, 32>(*generator); },
            [&fake] { return fake.now; },
            QStringLiteral("класс-3"),
            QStringLiteral("ученик (uid 1001)"),
        },
        [&fake] { return fake.clock; },
        [&fake](double seconds) {
            fake.clock += seconds;
            fake.slept += seconds;
            ++fake.sleeps;
        },
        [&fake](const QString &line) { fake.told.push_back(line); },
        [&fake] {
            if (fake.busy)
                throw RuntimeError(3050, QStringLiteral("на этом рабочем месте уже идёт тест"));
        },
    };
}

} // namespace

FakeKeeper::FakeKeeper() : session(fakeServices(*this))
{}

Channel::Message request(std::initializer_list<const char *> fields)
{
    Channel::Message message;
    for (const char *field : fields)
        message.push_back(QByteArray(field));
    return message;
}

int shownId(const Channel::Message &question)
{
    const std::optional<FieldValue> text = Channel::fieldValue(question.at(2));
    return text->asText().section(QLatin1Char(' '), 1).toInt();
}

int rightCode(const BankFixture &bank, int id)
{
    return bank.value(QStringLiteral("select ball from questions where id=%1").arg(id)).toInt();
}
