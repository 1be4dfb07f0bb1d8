#pragma once
// The HTTP client service: plugins' web requests, run at once on the calling thread or queued on
// the task pool with a handle to cancel them.

#include "zeph/core/ZEPH.Core.Interfaces.h"

class TZEPHCoreServiceHttpClient : public TInterfacedObject,
                                   public IZEPHServiceHTTPClient3,
                                   public IZEPHServiceHTTPClient2,
                                   public IZEPHServiceHTTPClient {
  ZCL_CLASS(TZEPHCoreServiceHttpClient, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHServiceHTTPClient3, IZEPHServiceHTTPClient2, IZEPHServiceHTTPClient)
 public:
  HRESULT Request(IZEPHString* URL, IZEPHString* Method, Integer Flags, IZEPHStream* AnswerData,
                  IZEPHStream* PostData, IZEPHHTTPClientEvents* EventsHandler, IZEPHConfig* Params,
                  TZEPHTaskHandle& TaskID) override;
  // Methods 0 GET, 1 POST, 2 PUT, 3 DELETE, 4 HEAD.
  HRESULT Request(IZEPHString* URL, Integer Method, Integer Flags, IZEPHStream* AnswerData, IZEPHStream* PostData,
                  IZEPHHTTPClientEvents* EventsHandler, IZEPHConfig* Params, TZEPHTaskHandle& TaskID) override;
  HRESULT Get(IZEPHString* URL, Integer Flags, IZEPHStream* AnswerData, IZEPHHTTPClientEvents* EventsHandler,
              IZEPHConfig* Params, TZEPHTaskHandle& TaskID) override;
  HRESULT Post(IZEPHString* URL, Integer Flags, IZEPHStream* AnswerData, IZEPHStream* PostData,
               IZEPHHTTPClientEvents* EventsHandler, IZEPHConfig* Params, TZEPHTaskHandle& TaskID) override;
  // Handles of finished tasks, and handles the pool never gave, are harmless.
  HRESULT Cancel(TZEPHTaskHandle TaskID, Integer Flags) override;
};
