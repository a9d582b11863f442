// Saves that meet a disk which will not take them: a full file system, a
// read-only folder, a folder removed after the name was chosen, and a file
// another program holds open. Each form the program saves (the text table,
// the XML packet, the chart picture) must say what went wrong, leave the
// table as it was, leave the previous file whole and leave no temporary file.

#include "record/record_file_commands.h"
#include "record_file_test_support.h"

#ifdef ZQ_FAILING_DISK_PICTURE
#include "chart/chart_control.h"
#include "chart/ui/chart_look.h"
#include "chart/ui/chart_picture.h"
#include "chart/ui/qcustomplot_chart_engine.h"

#include <QImage>
#include <QWidget>

#include <qcustomplot.h>
#endif

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <optional>
#include <tuple>

using namespace record_file_test;

namespace {

const std::string kPrevious = "previous contents\n";

std::vector<std::string> sortedFilesIn(const std::string& dir)
{
    std::vector<std::string> names = filesIn(dir);
    std::sort(names.begin(), names.end());
    return names;
}

enum class Disk { Full, ReadOnlyFolder, VanishedFolder, HeldOpen };

/// What is saved, and how the user learns the result.
class Form {
public:
    virtual ~Form() = default;
    virtual std::string extension() const = 0;
    /// The first bytes of a file this form wrote.
    virtual std::string magic() const = 0;
    /// Saves under @p name; the message the user is shown, empty for none.
    virtual std::string save(const std::string& name) = 0;
    virtual void expectFailureReported(const std::string& shown, const std::string& name, Disk disk) const = 0;
    virtual void expectSuccessReported(const std::string& shown, const std::string& name) const = 0;
    /// Everything a save must leave alone, as text to compare.
    virtual std::string state() = 0;
};

class RecordForm : public Form {
public:
    explicit RecordForm(std::string extension) : extension_(std::move(extension))
    {
        // About 60 KB of text, more of XML: larger than the room left on the full disk.
        for (int i = 1; i <= 2000; ++i)
            table_.appendRow(makeRow(i, {"12:00:00", std::to_string(i), "KW", "230", "V", "5", "A"}));
    }

    std::string extension() const override { return extension_; }
    std::string magic() const override { return extension_ == ".xml" ? "<?xml" : "No\tTime"; }

    std::string save(const std::string& name) override
    {
        const std::size_t before = files_.messages().size();
        files_.Save_asClick(name);
        EXPECT_FALSE(table_.viewsFrozen());
        EXPECT_LE(files_.messages().size(), before + 1);
        if (files_.messages().size() == before)
            return {};
        last_ = files_.messages().back();
        return last_.text;
    }

    void expectFailureReported(const std::string& shown, const std::string& name, Disk) const override
    {
        EXPECT_EQ(shown, "Could not save table to specified file: " + name);
        EXPECT_EQ(last_.caption, "Error");
        EXPECT_EQ(last_.icon, RecordFileMessage::Icon::Error);
    }

    void expectSuccessReported(const std::string& shown, const std::string& name) const override
    {
        // The packet is saved without a word; the text form confirms.
        if (extension_ == ".xml")
            EXPECT_EQ(shown, "");
        else
            EXPECT_EQ(shown, "Save table to specified file: " + name + " Scuss!");
    }

    std::string state() override
    {
        std::string out = logText(table_);
        for (const std::string& row : describe(table_))
            out += "\n" + row;
        return out;
    }

private:
    std::string extension_;
    RecordTable table_;
    RecordFileCommands files_{table_};
    RecordFileMessage last_;
};

#ifdef ZQ_FAILING_DISK_PICTURE
class PictureForm : public Form {
public:
    PictureForm()
    {
        window_.resize(739, 503);
        plot_ = new QCustomPlot(&window_);
        plot_->setGeometry(364, 208, 371, 265);  // about 290 KB of bitmap
        applyChartLook(*plot_);
        engine_.emplace(*plot_);
        control_.emplace(*engine_, 100);
        control_->SetValueMin(-1000);
        control_->SetValueMax(1000);
        for (int i = 0; i < 140; ++i)
            control_->AddPoint(300 + 250 * ((i / 10) % 3));
    }

    std::string extension() const override { return ".bmp"; }
    std::string magic() const override { return "BM"; }

    std::string save(const std::string& name) override
    {
        return writeChartPicture(chartPicture(*plot_), QString::fromLocal8Bit(name)).toLocal8Bit().toStdString();
    }

    void expectFailureReported(const std::string& shown, const std::string& name, Disk disk) const override
    {
        // The picture's message gives the system's reason after the name.
        const std::string prefix = "Cannot save the picture to " + name + ": ";
        ASSERT_EQ(shown.rfind(prefix, 0), 0u) << shown;
        const std::string reason = shown.substr(prefix.size());
        if (disk == Disk::Full)
            EXPECT_EQ(reason, "No space left on device");
        else if (disk == Disk::VanishedFolder)
            EXPECT_EQ(reason, "No such file or directory");
        else
            EXPECT_FALSE(reason.empty() || reason == "Unknown error") << shown;
    }

    void expectSuccessReported(const std::string& shown, const std::string&) const override
    {
        EXPECT_EQ(shown, "");
    }

    std::string state() override
    {
        plot_->replot(QCustomPlot::rpImmediateRefresh);
        const QImage image = plot_->toPixmap(plot_->width(), plot_->height(), 1.0).toImage();
        return std::to_string(control_->CurrentPage()) + "/" + std::to_string(control_->PageCount()) + " " +
               std::to_string(image.width()) + "x" + std::to_string(image.height()) + " " +
               std::to_string(qHashBits(image.constBits(), static_cast<std::size_t>(image.sizeInBytes())));
    }

private:
    QWidget window_;
    QCustomPlot* plot_;
    std::optional<QCustomPlotChartEngine> engine_;
    std::optional<TChartControl> control_;
};
#endif

/// A folder of its own for one case; whatever was mounted on it or done to
/// its mode is undone, and the folder removed, however the case ends.
class Place {
public:
    Place()
    {
        static std::atomic<int> counter{0};
        dir_ = ::testing::TempDir() + "zq_disk_" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
        std::filesystem::remove_all(dir_);
        ::mkdir(dir_.c_str(), 0755);
    }
    ~Place()
    {
        if (mounted_ && ::umount(dir_.c_str()) != 0)
            ::umount2(dir_.c_str(), MNT_DETACH);
        ::chmod(dir_.c_str(), 0755);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    Place(const Place&) = delete;
    Place& operator=(const Place&) = delete;

    const std::string& dir() const { return dir_; }

    /// A small file system of its own on the folder (needs root, and may be
    /// refused in a container).
    bool mountSmallDisk()
    {
        mounted_ = ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, "size=256k") == 0;
        return mounted_;
    }

    /// Fills the disk up to @p room bytes; false when it never filled.
    bool fill(const std::string& filler, off_t room)
    {
        const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            return false;
        const std::string chunk(4096, 'f');
        off_t size = 0;
        int error = 0;
        for (;;) {
            const ssize_t n = ::write(fd, chunk.data(), chunk.size());
            if (n <= 0) {
                error = errno;
                break;
            }
            size += n;
        }
        const bool full = error == ENOSPC && size > room && ::ftruncate(fd, size - room) == 0;
        ::close(fd);
        return full;
    }

    /// Puts a file system of its own on the folder that can later be made
    /// read-only: the folder bound onto itself, or a small tmpfs. Only root
    /// can; false otherwise.
    bool mountForReadOnly()
    {
        if (::mount(dir_.c_str(), dir_.c_str(), nullptr, MS_BIND, nullptr) == 0)
            bind_ = mounted_ = true;
        else
            mounted_ = ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, "size=1m") == 0;
        return mounted_;
    }

    /// Makes the folder read-only with what it holds; says how, or nothing
    /// when no way works here.
    std::optional<std::string> makeReadOnly()
    {
        if (mounted_) {
            const unsigned long bind = bind_ ? MS_BIND : 0;
            if (::mount(nullptr, dir_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY | bind, nullptr) != 0)
                return std::nullopt;
            return bind_ ? "a read-only bind mount" : "a read-only tmpfs";
        }
        if (::chmod(dir_.c_str(), 0555) != 0)
            return std::nullopt;
        return "folder mode 0555";
    }

    /// Whether a new file can still be made in the folder.
    bool writable() const
    {
        const std::string probe = dir_ + "/probe";
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0)
            return false;
        ::close(fd);
        ::unlink(probe.c_str());
        return true;
    }

private:
    std::string dir_;
    bool bind_ = false;
    bool mounted_ = false;
};

enum class Kind { Text, Packet, Picture };

std::unique_ptr<Form> makeForm(Kind kind)
{
    switch (kind) {
    case Kind::Text:
        return std::make_unique<RecordForm>(".xls");
    case Kind::Packet:
        return std::make_unique<RecordForm>(".xml");
    case Kind::Picture:
#ifdef ZQ_FAILING_DISK_PICTURE
        return std::make_unique<PictureForm>();
#else
        break;
#endif
    }
    return nullptr;
}

class FailingDisk : public ::testing::TestWithParam<std::tuple<Kind, Disk>> {};

TEST_P(FailingDisk, SaysSoAndLeavesTheTableAndThePreviousFile)
{
    const auto [kind, disk] = GetParam();
    std::unique_ptr<Form> form = makeForm(kind);
    if (!form)
        GTEST_SKIP() << "the chart picture needs the GUI build";
    Place place;
    const std::string leaf = "records" + form->extension();
    std::string name = place.dir() + "/" + leaf;
    std::vector<std::string> left = {leaf};  // what the folder must hold afterwards
    bool previousKept = true;
    bool succeeds = false;
    int reader = -1;

    switch (disk) {
    case Disk::Full:
        if (place.mountSmallDisk()) {
            writeFile(name, kPrevious);
            // Some room left, so the save gets part-way before the disk is full.
            ASSERT_TRUE(place.fill(place.dir() + "/filler", 8192)) << "the small disk did not fill up";
            RecordProperty("full_disk", "a filled tmpfs");
            left.push_back("filler");
        } else {
            // No mount allowed here: the full-disk device under a name of this form.
            ASSERT_EQ(::symlink("/dev/full", name.c_str()), 0);
            RecordProperty("full_disk", "/dev/full");
            previousKept = false;
        }
        break;
    case Disk::ReadOnlyFolder: {
        // As root permission bits do not stop a write; a read-only mount does.
        if (::geteuid() == 0)
            place.mountForReadOnly();
        writeFile(name, kPrevious);
        const std::optional<std::string> how = place.makeReadOnly();
        if (!how)
            GTEST_SKIP() << "cannot make a folder read-only here: neither a read-only mount nor its mode";
        if (place.writable())
            GTEST_SKIP() << "cannot make a folder read-only here: files can still be created under " << *how;
        RecordProperty("read_only_by", *how);
        break;
    }
    case Disk::VanishedFolder: {
        const std::string folder = place.dir() + "/chosen";
        ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
        name = folder + "/" + leaf;
        // The dialog gave the name; then the folder went before the save.
        ASSERT_EQ(::rmdir(folder.c_str()), 0);
        left.clear();
        previousKept = false;
        break;
    }
    case Disk::HeldOpen:
        writeFile(name, kPrevious);
        reader = ::open(name.c_str(), O_RDONLY);
        ASSERT_GE(reader, 0);
        succeeds = true;
        break;
    }

    const std::string before = form->state();
    const std::string shown = form->save(name);
    RecordProperty("shown", shown);
    if (succeeds)
        form->expectSuccessReported(shown, name);
    else
        form->expectFailureReported(shown, name, disk);
    EXPECT_EQ(form->state(), before) << "a save changed what was saved";

    if (disk == Disk::HeldOpen) {
        // The reader goes on with the file it opened; the name has the new one.
        char seen[64] = {};
        EXPECT_EQ(::pread(reader, seen, sizeof seen, 0), static_cast<ssize_t>(kPrevious.size()));
        EXPECT_EQ(std::string(seen), kPrevious);
        ::close(reader);
        EXPECT_EQ(readFile(name).rfind(form->magic(), 0), 0u);
    } else if (previousKept) {
        EXPECT_EQ(readFile(name), kPrevious);
    }
    if (disk == Disk::Full && !previousKept) {
        struct stat device {};
        EXPECT_EQ(::stat(name.c_str(), &device), 0);
        EXPECT_TRUE(S_ISCHR(device.st_mode)) << "the device was replaced";
        for (const std::string& entry : filesIn("/dev"))
            EXPECT_NE(entry.rfind("full.", 0), 0u) << "left in /dev: " << entry;
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(sortedFilesIn(place.dir()), left);
}

std::string caseName(const ::testing::TestParamInfo<std::tuple<Kind, Disk>>& info)
{
    static const char* const kinds[] = {"Text", "Packet", "Picture"};
    static const char* const disks[] = {"FullDisk", "ReadOnlyFolder", "VanishedFolder", "HeldOpenByAReader"};
    return std::string(kinds[static_cast<int>(std::get<0>(info.param))]) + "_" +
           disks[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Cases, FailingDisk,
                         ::testing::Combine(::testing::Values(Kind::Text, Kind::Packet, Kind::Picture),
                                            ::testing::Values(Disk::Full, Disk::ReadOnlyFolder, Disk::VanishedFolder,
                                                              Disk::HeldOpen)),
                         caseName);

}  // namespace
