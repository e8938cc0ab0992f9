#include "messageblock.h"

#include <QtTest>

#include <vector>

// The block is surrounded by guard bytes that must stay untouched.
class GuardedBlock
{
public:
    explicit GuardedBlock(int size, char fill = 0)
        : m_bytes(size_t(size + 2 * kGuard), char(0x5A))
        , m_size(size)
    {
        std::fill(block(), block() + size, fill);
    }
    char* block() { return m_bytes.data() + kGuard; }
    int size() const { return m_size; }
    bool guardsIntact() const
    {
        for (int i = 0; i < kGuard; ++i) {
            if (m_bytes[size_t(i)] != 0x5A || m_bytes[size_t(kGuard + m_size + i)] != 0x5A)
                return false;
        }
        return true;
    }

private:
    static constexpr int kGuard = 64;
    std::vector<char> m_bytes;
    int m_size;
};

class TestMessageBlock : public QObject
{
    Q_OBJECT

private slots:
    void appendsAndTakesInOrder()
    {
        GuardedBlock memory(MessageBlock::kBlockSize);
        QVERIFY(MessageBlock::append(memory.block(), memory.size(), QStringLiteral("I am another instance")));
        QVERIFY(MessageBlock::append(memory.block(), memory.size(), QStringLiteral("Grüße, 世界")));
        QCOMPARE(int(static_cast<unsigned char>(memory.block()[0])), 21);
        QCOMPARE(MessageBlock::takeAll(memory.block(), memory.size()),
            QStringList({ QStringLiteral("I am another instance"), QStringLiteral("Grüße, 世界") }));
        QCOMPARE(memory.block()[0], char(0));
        QVERIFY(MessageBlock::takeAll(memory.block(), memory.size()).isEmpty());
        QVERIFY(memory.guardsIntact());
    }

    void recordIsCappedAtACharacterBoundary()
    {
        // 254 ASCII bytes and then a three-byte character: the character does not fit
        // in 255 bytes and is dropped whole.
        const QString text = QString(254, QLatin1Char('a')) + QStringLiteral("世");
        const QByteArray record = MessageBlock::record(text);
        QCOMPARE(int(static_cast<unsigned char>(record.at(0))), 254);
        QCOMPARE(record.size(), 255);
        QVERIFY(MessageBlock::record(QString()).isEmpty());
        GuardedBlock memory(100);
        QVERIFY(!MessageBlock::append(memory.block(), memory.size(), QString()));
    }

    void fullBlock_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("textBytes");
        QTest::addColumn<bool>("fits");
        QTest::newRow("exact fit") << 12 << 10 << true; // length + 10 + terminator
        QTest::newRow("one byte short") << 11 << 10 << false;
        QTest::newRow("tiny block") << 1 << 1 << false;
    }
    void fullBlock()
    {
        QFETCH(int, size);
        QFETCH(int, textBytes);
        QFETCH(bool, fits);
        GuardedBlock memory(size);
        QCOMPARE(
            MessageBlock::append(memory.block(), memory.size(), QString(textBytes, QLatin1Char('x'))), fits);
        QVERIFY(memory.guardsIntact());
        QCOMPARE(MessageBlock::takeAll(memory.block(), memory.size()).size(), fits ? 1 : 0);
    }

    void fillsTheWholeBlockThenRefuses()
    {
        GuardedBlock memory(MessageBlock::kBlockSize);
        int written = 0;
        while (MessageBlock::append(memory.block(), memory.size(), QString(200, QLatin1Char('m'))))
            ++written;
        QCOMPARE(written, (MessageBlock::kBlockSize - 1) / 201);
        QVERIFY(memory.guardsIntact());
        QCOMPARE(MessageBlock::takeAll(memory.block(), memory.size()).size(), written);
        QVERIFY(memory.guardsIntact());
    }

    void damagedBlocks_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("appendable");
        // Length 200 at byte 0 of a 10-byte block: runs past the end.
        QTest::newRow("length past the end") << QByteArray("\xC8"
                                                           "abc",
            4) << QStringList() << false;
        QTest::newRow("no terminator") << QByteArray("\x03"
                                                     "abc"
                                                     "\x03"
                                                     "def"
                                                     "\x05"
                                                     "z",
            10) << QStringList({ "abc", "def" })
                                       << false;
        QTest::newRow("every byte 0xFF") << QByteArray(10, '\xFF') << QStringList() << false;
        QTest::newRow("one record, room left") << QByteArray("\x02"
                                                             "hi\0",
            4) << QStringList({ "hi" }) << true;
    }
    void damagedBlocks()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, messages);
        QFETCH(bool, appendable);
        GuardedBlock memory(10, '\x01');
        std::copy(content.cbegin(), content.cend(), memory.block());
        QCOMPARE(MessageBlock::append(memory.block(), memory.size(), QStringLiteral("ok")), appendable);
        QVERIFY(memory.guardsIntact());
        QStringList expected = messages;
        if (appendable)
            expected.append(QStringLiteral("ok"));
        QCOMPARE(MessageBlock::takeAll(memory.block(), memory.size()), expected);
        QCOMPARE(memory.block()[0], char(0));
        QVERIFY(memory.guardsIntact());
    }
};

QTEST_GUILESS_MAIN(TestMessageBlock)
#include "test_messageblock.moc"
