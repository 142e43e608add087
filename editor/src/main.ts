console.log("velk");
