#include "support/HostileDeviceService.h"

namespace {

class TEndlessEnumerator : public IObjectIdEnumerator
{
public:
    explicit TEndlessEnumerator(bool empty) : FEmpty(empty) {}
    HRESULT Next(std::uint32_t count, QStringList &ids) override
    {
        if (!FEmpty)
            for (std::uint32_t i = 0; i < count; ++i)
                ids.append(QStringLiteral("e%1").arg(FNext++));
        return S_OK;
    }

private:
    bool FEmpty;
    qint64 FNext = 0;
};

// One full batch of files, then the link breaks.
class TBreakingEnumerator : public IObjectIdEnumerator
{
public:
    HRESULT Next(std::uint32_t count, QStringList &ids) override
    {
        if (FBroken)
            return E_DEVICE_IO;
        for (std::uint32_t i = 0; i < count; ++i)
            ids.append(QStringLiteral("e%1").arg(i));
        FBroken = true;
        return S_OK;
    }

private:
    bool FBroken = false;
};

// Files "e…" directly in storage "s"; every other object as the fake device has it.
bool GeneratedFileProperty(const QString &id, TPropertyKey key, TPropertyValue &value, HRESULT &hr)
{
    if (!id.startsWith(QLatin1Char('e')))
        return false;
    hr = S_OK;
    if (key == pkContentType)
        value = TPropertyValue::FromGuid(ContentTypeGuid(ctGenericFile));
    else if (key == pkParentID)
        value = TPropertyValue::FromText(QStringLiteral("s"));
    else
        hr = E_DEVICE_NO_PROPERTY;
    return true;
}

// A device whose storage "s" is listed by `storageListing`; its files have no children.
std::shared_ptr<TFakeDevice>
MakeGeneratedFilesDevice(std::function<std::unique_ptr<IObjectIdEnumerator>()> storageListing)
{
    auto device = std::make_shared<TFakeDevice>();
    device->AddStorage(QStringLiteral("s"), QStringLiteral("Store"));
    device->EnumOverride = [storageListing](const QString &parentID, std::unique_ptr<IObjectIdEnumerator> &enumerator) {
        if (parentID == QLatin1String("s"))
            enumerator = storageListing();
        else
            enumerator = std::make_unique<TIdListEnumerator>(
                parentID == QLatin1String("DEVICE") ? QStringList{QStringLiteral("s")} : QStringList{});
        return S_OK;
    };
    device->PropertyOverride = GeneratedFileProperty;
    return device;
}

bool IsChainID(const QString &id, int &level)
{
    if (!id.startsWith(QLatin1Char('n')))
        return false;
    bool ok = false;
    level = id.mid(1).toInt(&ok);
    return ok && level > 0;
}

} // namespace

std::shared_ptr<TFakeDevice> MakeCyclicParentDevice()
{
    auto device = std::make_shared<TFakeDevice>();
    device->AddStorage(QStringLiteral("s"), QStringLiteral("Store"));
    device->AddFolder(QStringLiteral("a"), QStringLiteral("s"), QStringLiteral("A"));
    device->AddFolder(QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("B"));
    device->Object(QStringLiteral("a")).Set(pkParentID, TPropertyValue::FromText(QStringLiteral("b")));
    return device;
}

std::shared_ptr<TFakeDevice> MakeDeepDevice(int levels)
{
    auto device = std::make_shared<TFakeDevice>();
    device->AddStorage(QStringLiteral("s"), QStringLiteral("Store"));
    device->EnumOverride = [levels](const QString &parentID, std::unique_ptr<IObjectIdEnumerator> &enumerator) {
        QStringList children;
        int level = 0;
        if (parentID == QLatin1String("DEVICE"))
            children.append(QStringLiteral("s"));
        else if (parentID == QLatin1String("s"))
            children.append(QStringLiteral("n1"));
        else if (IsChainID(parentID, level) && level < levels)
            children.append(QStringLiteral("n%1").arg(level + 1));
        enumerator = std::make_unique<TIdListEnumerator>(children);
        return S_OK;
    };
    device->PropertyOverride = [](const QString &id, TPropertyKey key, TPropertyValue &value, HRESULT &hr) {
        int level = 0;
        if (!IsChainID(id, level))
            return false;
        hr = S_OK;
        if (key == pkContentType)
            value = TPropertyValue::FromGuid(ContentTypeGuid(ctFolder));
        else if (key == pkParentID)
            value = TPropertyValue::FromText(level == 1 ? QStringLiteral("s") : QStringLiteral("n%1").arg(level - 1));
        else if (key == pkObjectName)
            value = TPropertyValue::FromText(id);
        else
            hr = E_DEVICE_NO_PROPERTY;
        return true;
    };
    return device;
}

std::shared_ptr<TFakeDevice> MakeEndlessListingDevice(bool emptyBatches)
{
    return MakeGeneratedFilesDevice([emptyBatches] { return std::make_unique<TEndlessEnumerator>(emptyBatches); });
}

std::shared_ptr<TFakeDevice> MakeBrokenListingDevice()
{
    return MakeGeneratedFilesDevice([] { return std::make_unique<TBreakingEnumerator>(); });
}

std::shared_ptr<TFakeDevice> MakeSelfListingDevice()
{
    auto device = std::make_shared<TFakeDevice>();
    device->AddStorage(QStringLiteral("s"), QStringLiteral("Store"));
    device->AddFolder(QStringLiteral("loop"), QStringLiteral("s"), QStringLiteral("Loop"));
    device->Object(QStringLiteral("loop")).Children = {QStringLiteral("s"), QStringLiteral("loop")};
    return device;
}

std::shared_ptr<TFakeDevice> MakeRepeatingDevice(int levels)
{
    auto device = std::make_shared<TFakeDevice>();
    device->AddStorage(QStringLiteral("s"), QStringLiteral("Store"));
    QString parent = QStringLiteral("s");
    for (int level = 1; level <= levels; ++level) {
        const QString id = QStringLiteral("r%1").arg(level);
        device->AddFolder(id, parent, id);
        device->Object(parent).Children.append(id);
        parent = id;
    }
    return device;
}
