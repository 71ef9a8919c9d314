; Read-only questions the GUI test asks the GIMP it drives, through the
; Script-Fu server. Answers are plain lists, so the shell compares their
; printed form.

; The test opens exactly one image.
(define (gui-image) (vector-ref (cadr (gimp-image-list)) 0))

(define (gui-layer-names)
  (map (lambda (layer) (car (gimp-item-get-name layer)))
       (vector->list (cadr (gimp-image-get-layers (gui-image))))))

(define (gui-path name) (car (gimp-image-get-vectors-by-name (gui-image) name)))

; Channel values of a layer at image coordinates: layers such as ESLs need
; not start at the image origin.
(define (gui-pixel layer-name x y)
  (let* ((layer (car (gimp-image-get-layer-by-name (gui-image) layer-name)))
         (offsets (gimp-drawable-offsets layer)))
    (vector->list (cadr (gimp-drawable-get-pixel layer (- x (car offsets)) (- y (cadr offsets)))))))

; What a user does by clicking a path and a layer in the docks.
(define (gui-select path-name layer-name)
  (gimp-image-set-active-vectors (gui-image) (gui-path path-name))
  (gimp-image-set-active-layer (gui-image) (car (gimp-image-get-layer-by-name (gui-image) layer-name)))
  (list (car (gimp-item-get-tattoo (gui-path path-name)))))

; GIMP's own mark of unsaved changes.
(define (gui-dirty) (list (car (gimp-image-is-dirty (gui-image)))))
