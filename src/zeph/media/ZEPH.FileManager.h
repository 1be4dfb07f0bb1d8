#pragma once
// The one file manager of the process: existence, real names, sizes, format texts, streams,
// deletion and folder opening for plain files and parts of container files; expansion of
// folders and containers into media files; marks and statistics through the music-library hook.

#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.Interfaces.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/media/ZEPH.FileManager.Cache.h"
#include "zeph/media/ZEPH.FileManager.Extensions.h"
#include "zeph/media/ZEPH.FileManager.KnownFormats.h"
#include "zeph/media/ZEPH.FileManager.VirtualFiles.h"

class TStream;
class TZBLCustomFileInfo;
class TZCLDropSource;
struct IZCLDropSourceDataFiles;
class TZCLStringList;
template <class T>
class TZCLThreadListOf;

// Resolution of a virtual name.
constexpr Byte zfrFound = 0;
constexpr Byte zfrNotVirtual = 1;
constexpr Byte zfrNoContainer = 2;
constexpr Byte zfrNoPart = 3;

// Flags of CreateStream.
constexpr Cardinal zfsCreate = 1;
constexpr Cardinal zfsReadWrite = 2;
constexpr Cardinal zfsBuffered = 4;

// Sources of file information, tried in this order.
constexpr Byte zfiCache = 1;
constexpr Byte zfiVirtualFile = 2;
constexpr Byte zfiExtensions = 4;
constexpr Byte zfiTagLibrary = 8;
constexpr Byte zfiDecoders = 16;
constexpr Byte zfiAll = 31;

// Reads the tags and stream values of a file from a stream; installed by the tag library.
using TZEPHTagReaderProc = bool (*)(TStream* Stream, const String& FileName, TZBLCustomFileInfo* Info);

// The mark byte: bit 7 a mark is known, bit 6 the maker's flag, bits 0-5 the mark times ten.
using TZEPHFileMark = Byte;
TZEPHFileMark FileMarkFromFloat(Single Mark, bool Flag);
TZEPHFileMark FileMarkFromInt(Integer Mark);
Single FileMarkToFloat(TZEPHFileMark Mark);
Integer FileMarkToInt(TZEPHFileMark Mark);
// "4.50" in the user's locale.
String FileMarkToText(TZEPHFileMark Mark);
constexpr TZEPHFileMark FileMarkEmpty() { return 0; }
constexpr bool FileMarkIsEmpty(TZEPHFileMark Mark) { return Mark == 0; }
constexpr bool FileMarkEquals(TZEPHFileMark A, TZEPHFileMark B) { return A == B; }
constexpr bool FileMarkDiffers(TZEPHFileMark A, TZEPHFileMark B) { return A != B; }

struct TZEPHFileStatistics {
  TDateTime AddedDate;
  TDateTime LastPlayDate;
  Integer Mark = 0;
  Integer PlayCount = 0;
  Double Rating = 0;
};

// The music library behind the file manager, installed by the host. Reading operations may be
// called from any thread.
struct IZEPHMusicLibrary : virtual IInterface {
  RTL_INTERFACE(IZEPHMusicLibrary, IInterface, "{A52E7B90-1C6F-4D38-93A4-0F8E6B2D5C17}")
  virtual bool FillFileInfo(const String& FileName, TZBLCustomFileInfo* Info) = 0;
  virtual bool GetLibraryText(const String& FileName, String& Text) = 0;
  virtual bool GetFileMark(const String& FileName, TZEPHFileMark& Mark) = 0;
  virtual bool GetFileStatistics(const String& FileName, TZEPHFileStatistics& Statistics) = 0;
  virtual bool SetLibraryText(const String& FileName, const String& Text) = 0;
  virtual bool SetFileMark(const String& FileName, TZEPHFileMark Mark) = 0;
  virtual void UpdateFileInfo(TZBLCustomFileInfo* Info) = 0;
};

class TZEPHFileAttrs {
 public:
  static bool IsDirectory(Integer Attributes) { return Attributes != -1 && (Attributes & 0x10) != 0; }
};

class TZEPHCore;
class TZEPHServiceFileURI;
class TZEPHServiceFileSystems;
struct IZEPHFileInfo;

// The mark by which plugins find the file manager among the core's services.
struct IZEPHServiceFileManager : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceFileManager, IInterface, "{0F6A3D81-52C4-4E97-B1A8-3E9D7C0B4F26}")
};

struct IZEPHServiceFileStreaming : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceFileStreaming, IInterface, "{C7258E04-9B3A-4F1D-8E6C-5A0D2B7F3E91}")
  // As CreateStream; the stream is read-only unless Flags ask for writing.
  virtual HRESULT CreateStreamForFile(IZEPHString* Name, Cardinal Flags, Int64 Offset, Int64 Size,
                                      IPtr<IZEPHStream>& Stream) = 0;
  // As CreateStreamForFileURI with flags 0.
  virtual HRESULT CreateStreamForFileURI(IZEPHString* Name, IPtr<IZEPHVirtualFile>& File,
                                         IPtr<IZEPHStream>& Stream) = 0;
};

// Flags bit 0 leaves the audio decoders out.
struct IZEPHServiceFileInfo : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceFileInfo, IInterface, "{8E41C0B7-6D25-4A83-9F1E-2B7C5D0A3E68}")
  virtual HRESULT GetFileInfoFromFileURI(IZEPHString* Name, Cardinal Flags, IZEPHFileInfo* Info) = 0;
  virtual HRESULT GetFileInfoFromStream(IZEPHStream* Stream, Cardinal Flags, IZEPHFileInfo* Info) = 0;
  // S_OK or E_FAIL.
  virtual HRESULT GetVirtualFile(IZEPHString* Name, Cardinal Flags, IPtr<IZEPHVirtualFile>& File) = 0;
};

// A plugin that reads the information of files by name, registered with the file manager.
struct IZEPHExtensionFileInfo : virtual IInterface {
  RTL_INTERFACE(IZEPHExtensionFileInfo, IInterface, "{3A9C5E12-7B40-4D86-A1F3-C8E20D5B7916}")
  virtual HRESULT FillFileInfo(IZEPHString* FileName, IZEPHFileInfo* Info) = 0;
};

// The same from a stream.
struct IZEPHExtensionFileInfoFromStream : virtual IInterface {
  RTL_INTERFACE(IZEPHExtensionFileInfoFromStream, IInterface, "{3A9C5E12-7B40-4D86-A1F3-C8E20D5B7917}")
  virtual HRESULT FillFileInfoFromStream(IZEPHStream* Stream, IZEPHFileInfo* Info) = 0;
};

struct IZEPHAudioDecoder : virtual IInterface {
  RTL_INTERFACE(IZEPHAudioDecoder, IInterface, "{B0D4E6A2-39C1-4F75-8E2D-71A5C3F90B48}")
  // Nonzero when it filled something of Info.
  virtual LongBool FillFileInfo(IZEPHFileInfo* Info) = 0;
  // SampleFormat: 1 8-bit, 2 16-bit, 3 24-bit, 4 32-bit, 5 32-bit float, 6 64-bit float.
  // Nonzero on success.
  virtual LongBool GetFormat(Integer& SampleRate, Integer& Channels, Integer& SampleFormat) = 0;
  // Bytes of decoded audio.
  virtual Int64 GetPosition() = 0;
  virtual LongBool SetPosition(Int64 Value) = 0;
  // The number of bytes decoded into Buffer; 0 at the end.
  virtual Integer ReadData(void* Buffer, Integer Count) = 0;
  // The size of the whole decoded audio in bytes.
  virtual Int64 GetSize() = 0;
};

// The core's audio decoders. Flags 0 and no error information are what the file manager passes.
struct IZEPHServiceAudioDecoders : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceAudioDecoders, IInterface, "{B0D4E6A2-39C1-4F75-8E2D-71A5C3F90B49}")
  virtual HRESULT CreateDecoder(IZEPHStream* Stream, Cardinal Flags, IZEPHErrorInfo* ErrorInfo,
                                IPtr<IZEPHAudioDecoder>& Decoder) = 0;
  virtual HRESULT CreateDecoderForFileName(IZEPHString* FileName, Cardinal Flags, IZEPHErrorInfo* ErrorInfo,
                                           IPtr<IZEPHAudioDecoder>& Decoder) = 0;
};

// Stream values of a file from the decoder that reads it.
class TZEPHFileInfo {
 public:
  // Duration, channels, sample rate, the file size when above 0 and, unless Info has one, the
  // bitrate of Size bytes over the decoded duration. ClipLength (seconds) above 0 limits the
  // duration and scales the size to it. False without a decoder, a format or a known sample format.
  static bool FillStreamValues(Int64 Size, IZEPHFileInfo* Info, IZEPHAudioDecoder* Decoder, Double ClipLength);
  // The size of the real file; then the file's ID3v2, APEv2 and ID3v1 tags complete the record.
  static bool FillFromDecoder(const String& Name, IZEPHFileInfo* Info, IZEPHAudioDecoder* Decoder, Double ClipLength);
  static bool FillFromStreamDecoder(TStream* Stream, IZEPHFileInfo* Info, IZEPHAudioDecoder* Decoder,
                                    Double ClipLength);
};

class TZEPHFileManager : public TZCLUnknownObject,
                         public IZEPHServiceFileStreaming,
                         public IZEPHServiceFileManager,
                         public IZEPHServiceFileInfo,
                         public IZEPHServiceAttrExtendable {
  ZCL_CLASS(TZEPHFileManager, TZCLUnknownObject)
 public:
  // Registers itself, the known formats and the file systems with the core when one runs.
  TZEPHFileManager();
  ~TZEPHFileManager() override;
  // Answers the file-URI interfaces through its service object.
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;

  // The file manager, the known formats and the file systems as services of Core; a host whose
  // core starts after the file manager calls this. Registered with one core at a time.
  void RegisterServices(TZEPHCore* Core);
  // From the core they were registered with, while it exists.
  void UnregisterServices();

  // Extensions: object expanders and container readers, walked in registration order.
  void RegisterExtension(IInterface* Extension) override;
  void UnregisterExtension(IInterface* Extension) override;

  // IZEPHServiceFileStreaming
  HRESULT CreateStreamForFile(IZEPHString* Name, Cardinal Flags, Int64 Offset, Int64 Size,
                              IPtr<IZEPHStream>& Stream) override;
  HRESULT CreateStreamForFileURI(IZEPHString* Name, IPtr<IZEPHVirtualFile>& File, IPtr<IZEPHStream>& Stream) override;
  // IZEPHServiceFileInfo: the object must be one of the program's (E_INVALIDARG).
  HRESULT GetFileInfoFromFileURI(IZEPHString* Name, Cardinal Flags, IZEPHFileInfo* Info) override;
  HRESULT GetFileInfoFromStream(IZEPHStream* Stream, Cardinal Flags, IZEPHFileInfo* Info) override;
  HRESULT GetVirtualFile(IZEPHString* Name, Cardinal Flags, IPtr<IZEPHVirtualFile>& File) override;

  TZEPHFileManagerKnownFormats* GetKnownFormats() const { return FKnownFormats; }
  TZEPHVirtualFileCacheList* GetContainerCache() const { return FContainerCache; }
  TZEPHFileInfoCache* GetInfoCache() const { return FInfoCache; }
  TZEPHServiceFileSystems* GetFileSystems() const { return FFileSystems; }

  // File information through the sources of Sources (zfiCache ...): S_OK when one filled Info;
  // E_INVALIDARG for an empty name or no record; E_UNEXPECTED when something raised. Info's
  // FileName is the name afterwards, whatever the result.
  HRESULT GetFileInfo(const String& Name, TZBLCustomFileInfo* Info, Byte Sources);
  // A new record holder, or nil when no source answered.
  IPtr<IZBLFileInfo> QueryFileInfo(const String& Name, Byte Sources);
  // The same from a stream: no cache, no part of a container, no file name. E_INVALIDARG for no
  // stream or no record.
  HRESULT GetFileInfoFromStream(TStream* Stream, TZBLCustomFileInfo* Info, Byte Sources);
  static TZEPHTagReaderProc GetTagReader();
  static void SetTagReader(TZEPHTagReaderProc Reader);

  Byte ResolveVirtualFile(const String& Name, IPtr<IZEPHVirtualFile>& File);
  bool GetVirtualFile(const String& Name, IPtr<IZEPHVirtualFile>& File);
  // Re-synchronized with its container; a stale container is opened again.
  IPtr<IZEPHVirtualFile> GetVirtualFileFresh(const String& Name);
  // A URL whose scheme no registered file system serves.
  bool IsForeignURL(const String& Name);
  // Attributes may forbid containers ("fmaExpandContainers").
  // FileAttributes is the file's attribute word when the caller knows it (an expansion does),
  // else it is read.
  bool OpenContainer(const String& FileName, IPtr<IZEPHFileContainer>& Container, bool UseCache,
                     TZEPHFileManagerExpandAttributes* Attributes = nullptr,
                     Integer FileAttributes = UnknownAttributes);
  static constexpr Integer UnknownAttributes = -2;

  bool FileExists(const String& Name);
  // The file that holds the audio of a part; any other name as it is.
  String GetRealFileName(const String& Name);
  String GetRealFilePath(const String& Name);
  bool GetFileAttributes(const String& Name, TZCLFileData& Data);
  Int64 GetFileSize(const String& Name);
  // "FLAC"; empty for a foreign URL.
  String GetFileFormatText(const String& Name);
  // Flags: zfsCreate, zfsReadWrite, zfsBuffered; a range (Offset >= 0, Size >= 1) only for reading.
  // The caller owns the stream.
  HRESULT CreateStream(const String& Name, Cardinal Flags, Int64 Offset, Int64 Size, TStream*& Stream);
  // The part's own stream when it has one, else one over the real file.
  HRESULT CreateStreamForFileURI(const String& Name, IPtr<IZEPHVirtualFile>& File, TStream*& Stream,
                                 Cardinal Flags = 0);
  // Into the trash; never parts of containers or URLs.
  bool DeleteFile(const String& Name);
  bool OpenFileFolder(const String& Name);
  // Fills the providers of DropSource for Names: the names as they are in a URI list, and the
  // existing real files as a file list, or as streams when a file system of theirs makes them.
  // Names of schemes whose file system gives no streams are left out of the file list. The data
  // object of the files.
  IPtr<IZCLDropSourceDataFiles> CreateDropSourceData(const TZCLStringList* Names, TZCLDropSource* DropSource);

  // Expansion into media files for Receiver.
  void ExpandList(TZCLStringList* Names, IZEPHFileManagerFilesReceiver* Receiver,
                  TZEPHFileManagerExpandAttributes* Attributes);
  void ExpandList(TZCLStringList* Names, IZEPHFileManagerFilesReceiver* Receiver,
                  TZEPHFileManagerExpandAttributes* Attributes, bool& Stop);
  void Expand(const String& Name, IZBLFileInfo* Info, IZEPHFileManagerFilesReceiver* Receiver,
              TZEPHFileManagerExpandAttributes* Attributes, bool& Stop);
  void ExpandItem(const String& Name, Integer FileAttributes, IZBLFileInfo* Info,
                  IZEPHFileManagerFilesReceiver* Receiver, TZEPHFileManagerExpandAttributes* Attributes, bool& Stop);
  bool CheckExt(const String& Name, TZEPHFileManagerExpandAttributes* Attributes);

  // The music-library hook and what is forwarded to it.
  const IPtr<IZEPHMusicLibrary>& GetMusicLibrary() const { return FMusicLibrary; }
  void SetMusicLibrary(const IPtr<IZEPHMusicLibrary>& Value) { FMusicLibrary = Value; }
  String GetLibraryText(const String& FileName);
  bool TryGetFileMark(const String& FileName, TZEPHFileMark& Mark);
  TZEPHFileMark GetFileMark(const String& FileName);
  bool GetFileStatistics(const String& FileName, TZEPHFileStatistics& Statistics);
  // Main thread only: E_ACCESSDENIED elsewhere; E_NOTIMPL without a hook.
  HRESULT SetFileMark(const String& FileName, TZEPHFileMark Mark);
  HRESULT SetLibraryText(const String& FileName, const String& Text);
  void UpdateLibraryInfo(TZBLCustomFileInfo* Info);

 private:
  bool ExpandAsObject(const String& Name, Integer FileAttributes, IZEPHFileManagerFilesReceiver* Receiver,
                      TZEPHFileManagerExpandAttributes* Attributes, bool& Stop);
  // The extensions in order, each taken under the list's lock.
  template <class I, class F>
  void WalkExtensions(F&& Proc);
  // From the last to the first; Proc answers true to stop.
  template <class I, class F>
  void WalkExtensionsBackwards(F&& Proc);

  TZEPHFileInfoCache* FInfoCache;
  TZCLThreadListOf<IPtr<IInterface>>* FExtensions;
  TZEPHFileManagerKnownFormats* FKnownFormats;
  TZEPHVirtualFileCacheList* FContainerCache;
  TZEPHServiceFileURI* FFileURI;
  TZEPHServiceFileSystems* FFileSystems;
  IPtr<IZEPHMusicLibrary> FMusicLibrary;
  TZEPHCore* FCore = nullptr;
};

// Raises Exception "File Manager is nil" when there is none.
TZEPHFileManager* GetFileManager();

// A relative Name against the folder of BaseFile, then against its root.
String ResolveRelativeFileName(const String& BaseFile, const String& Name);
// The extension is an image format's, also when a query follows it ("a.jpg?x=1&y=2").
bool IsImageFileName(const String& Name);

namespace detail {
void FileManagerInitialization();
void FileManagerFinalization();
}  // namespace detail
